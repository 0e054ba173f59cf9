#pragma once

#include "HexSink.h"

#include <QColor>
#include <QString>
#include <QTextCharFormat>
#include <QTextEdit>

#include <functional>

class QTextCursor;

// Read-only coloured hex dump: per 16 bytes the address, the bytes in hex and
// the same bytes as Windows-1250 characters. Lines of sixteen 0xFF (erased
// memory) are drawn dim, lines holding data bright.
class TZqHexView : public QTextEdit, public THexSink {
    Q_OBJECT
    Q_INTERFACES(THexSink)

public:
    using TNotifyEvent = std::function<void(QObject *Sender)>;

    explicit TZqHexView(QWidget *AOwner = nullptr);

    // Replaces the text with the dump of the first bytes_cnt bytes of buffer,
    // labelled from start_address on.
    void ShowHex(const QByteArray &buffer, int bytes_cnt, int start_address) override;

    // Read once by the constructor; later values are only stored.
    int FontSize() const { return FFontSize; }
    void SetFontSize(int value) { FFontSize = value; }
    QString FontName() const { return FFontName; }
    void SetFontName(const QString &value) { FFontName = value; }

    // An action: writing true restores the default colours and background.
    bool ColorsReset() const { return FColorsReset; }
    void SetColorsReset(bool value);

    QColor ColorAddress() const { return FColorAddress; }
    void SetColorAddress(const QColor &value) { FColorAddress = value; }
    QColor ColorHex() const { return FColorHex; }
    void SetColorHex(const QColor &value) { FColorHex = value; }
    QColor ColorHexLight() const { return FColorHexLight; }
    void SetColorHexLight(const QColor &value) { FColorHexLight = value; }
    QColor ColorAscii() const { return FColorAscii; }
    void SetColorAscii(const QColor &value) { FColorAscii = value; }
    QColor ColorAsciiLight() const { return FColorAsciiLight; }
    void SetColorAsciiLight(const QColor &value) { FColorAsciiLight = value; }

    bool ShowHeader() const { return FShowHeader; }
    void SetShowHeader(bool value) { FShowHeader = value; }
    bool AddGap() const { return FAddGap; }
    void SetAddGap(bool value) { FAddGap = value; }

    // Background of the text area.
    QColor Color() const;
    void SetColor(const QColor &value);

    // Raised after every ShowHex that drew something.
    TNotifyEvent OnDisplayEnd;

    // Bytes of the last dump, as indices into what ShowHex was given.
    struct TByteRange {
        int first = 0;
        int count = 0;
    };
    // The bytes whose hex digits or characters lie between the document
    // positions from and to (a selection's ends); none once the text changed.
    TByteRange BytesBetween(int from, int to) const;
    TByteRange SelectedBytes() const;
    // "selection 0x0010..0x001F: 16 bytes, CRC-32 1A2B3C4D"; empty when the
    // selection holds no byte.
    QString SelectionText() const;

private:
    struct TLineFormats {
        QTextCharFormat address, hexErased, hexData, asciiErased, asciiData;
    };

    void SetDefaultColors();
    QFont DumpFont() const;
    TLineFormats LineFormats() const;
    void AppendHeader(QTextCursor &cursor) const;
    QString AsciiText(const unsigned char *bytes, int count) const;
    void EmitLine(QTextCursor &cursor, const TLineFormats &formats, const QString &address, const QString &hex,
                  const QString &ascii) const;
    // Within one dump line: the first byte whose cell ends after column x,
    // and the last whose cell starts before it (-1: none).
    int FirstCellFrom(int x) const;
    int LastCellBefore(int x) const;

    // What the dump on show was drawn from and how.
    struct TShown {
        QByteArray bytes;
        quint32 start = 0;
        int addressWidth = 0;
        int headerLines = 0;
        bool gap = false;
    };
    TShown FShown;

    QColor FColorAddress;
    QColor FColorHex;
    QColor FColorHexLight;
    QColor FColorAscii;
    QColor FColorAsciiLight;
    int FFontSize = 10;
    QString FFontName = QStringLiteral("Courier New");
    bool FShowHeader = true;
    bool FAddGap = true;
    bool FColorsReset = false;
};
