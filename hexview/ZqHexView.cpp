#include "ZqHexView.h"

#include "BgrColor.h"
#include "ChipGuard.h"
#include "Cp1250.h"
#include "DumpColumns.h"
#include "ZqFonts.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {
using namespace DumpColumns;

constexpr int kHeaderRuleLength = 74;
constexpr int kHeaderLines = 2;
// Between the address, the hex column and the character column.
constexpr int kColumnSpacing = 2;
const int kHexColumnChars = int(ErasedHex().size());

const QColor kDefaultColorAddress = ColorFromBgr(0x800080);
const QColor kDefaultColorHex = ColorFromBgr(0x808080);
const QColor kDefaultColorHexLight = ColorFromBgr(0xFF8000);
const QColor kDefaultColorAscii = ColorFromBgr(0xFF0000);
const QColor kDefaultColorAsciiLight = ColorFromBgr(0xC0C0C0);
const QColor kHeaderColor = ColorFromBgr(0xC0C0C0);


QTextCharFormat RunFormat(const QColor &color, bool bold)
{
    QTextCharFormat format;
    format.setForeground(color);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    return format;
}

bool IsFixedPitch(const QFont &font)
{
    const QFontMetricsF metrics(font);
    return metrics.horizontalAdvance(QLatin1Char('i')) == metrics.horizontalAdvance(QLatin1Char('W'));
}

} // namespace

TZqHexView::TZqHexView(QWidget *AOwner) : QTextEdit(AOwner)
{
    SetDefaultColors();
    setReadOnly(true);
    // Each dump replaces the last; keeping old ones for undo only costs memory.
    setUndoRedoEnabled(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFont(DumpFont());
    // Any other text (progress, a reason) makes the selection mean no bytes.
    connect(this, &QTextEdit::textChanged, this, [this] { FShown = TShown(); });
}

void TZqHexView::SetDefaultColors()
{
    FColorAddress = kDefaultColorAddress;
    FColorHex = kDefaultColorHex;
    FColorHexLight = kDefaultColorHexLight;
    FColorAscii = kDefaultColorAscii;
    FColorAsciiLight = kDefaultColorAsciiLight;
}

// The columns only line up in a fixed-pitch face; an installed face that is
// proportional gives way to the system's fixed font.
QFont TZqHexView::DumpFont() const
{
    const QFont font = ZqFonts::FixedPitch(FFontName, FFontSize);
    if (IsFixedPitch(font))
        return font;
    return ZqFonts::FixedPitch(QString(), FFontSize);
}

void TZqHexView::SetColorsReset(bool value)
{
    if (!value)
        return;
    SetDefaultColors();
    SetColor(QApplication::palette().color(QPalette::Base));
}

QColor TZqHexView::Color() const { return palette().color(QPalette::Base); }

void TZqHexView::SetColor(const QColor &value)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, value);
    setPalette(p);
}

void TZqHexView::ShowHex(const QByteArray &buffer, int bytes_cnt, int start_address)
{
    // A buffer shorter than claimed is shown as far as it goes, never read past.
    const int count = int(std::min<qsizetype>(bytes_cnt, buffer.size()));
    if (count <= 0)
        return;
    // Addresses wrap as 32-bit values instead of overflowing a signed int.
    const quint32 first = quint32(start_address);
    const int width = AddressWidth(first + quint32(count - 1));
    const auto *bytes = reinterpret_cast<const unsigned char *>(buffer.constData());
    const TLineFormats formats = LineFormats();

    clear();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    if (FShowHeader)
        AppendHeader(cursor);
    for (int i = 0; i < count; i += kBytesPerLine) {
        const int lineCount = std::min(kBytesPerLine, count - i);
        EmitLine(cursor, formats, AddressText(first + quint32(i), width), HexText(bytes + i, lineCount),
                 AsciiText(bytes + i, lineCount));
    }
    cursor.endEditBlock();
    moveCursor(QTextCursor::Start);
    FShown = {buffer.left(count), first, width, FShowHeader ? kHeaderLines : 0, FAddGap};

    if (OnDisplayEnd)
        OnDisplayEnd(this);
}

TZqHexView::TLineFormats TZqHexView::LineFormats() const
{
    return {RunFormat(FColorAddress, true), RunFormat(FColorHex, false), RunFormat(FColorHexLight, false),
            RunFormat(FColorAsciiLight, false), RunFormat(FColorAscii, false)};
}

// The header is laid out for a three-digit address column.
void TZqHexView::AppendHeader(QTextCursor &cursor) const
{
    const int ruleLength = FAddGap ? kHeaderRuleLength : kHeaderRuleLength - 2;
    cursor.insertText(QStringLiteral("adr "), RunFormat(kHeaderColor, true));
    const QTextCharFormat regular = RunFormat(kHeaderColor, false);
    cursor.insertText(QStringLiteral(" data") + QString(47, QLatin1Char(' ')), regular);
    cursor.insertText(QStringLiteral("ascii\n"), regular);
    cursor.insertText(QString(ruleLength, QLatin1Char('-')) + QLatin1Char('\n'), regular);
}

QString TZqHexView::AsciiText(const unsigned char *bytes, int count) const
{
    return CharText(bytes, count, FAddGap);
}

// Only a full line of 0xFF is erased memory: a partial line is padded with
// spaces and never matches, so it is always drawn as data.
void TZqHexView::EmitLine(QTextCursor &cursor, const TLineFormats &formats, const QString &address, const QString &hex,
                          const QString &ascii) const
{
    const bool erased = hex == ErasedHex();
    const QColor hexColor = erased ? FColorHex : FColorHexLight;
    // The character run follows the hex run's colour, as the selection carries it.
    const bool dataLine = hexColor == FColorHexLight;
    cursor.insertText(address, formats.address);
    cursor.insertText(hex + QLatin1String("  "), erased ? formats.hexErased : formats.hexData);
    cursor.insertText(ascii + QLatin1Char('\n'), dataLine ? formats.asciiData : formats.asciiErased);
}

namespace {
int HexOffset(int c) { return 3 * c + (c > kGapAfterColumn ? 1 : 0); }
int CharOffset(int c, bool gap) { return c + (gap && c > kGapAfterColumn ? kColumnSpacing : 0); }
} // namespace

int TZqHexView::FirstCellFrom(int x) const
{
    const int hexStart = FShown.addressWidth + kColumnSpacing;
    const int charStart = hexStart + kHexColumnChars + kColumnSpacing;
    for (int c = 0; c < kBytesPerLine; ++c) {
        const int end = x < charStart ? hexStart + HexOffset(c) + 2 : charStart + CharOffset(c, FShown.gap) + 1;
        if (end > x)
            return c;
    }
    return kBytesPerLine;
}

// An end up to the character column's start still counts in the hex column,
// so a drag that stops in the spacing takes the whole hex row.
int TZqHexView::LastCellBefore(int x) const
{
    const int hexStart = FShown.addressWidth + kColumnSpacing;
    const int charStart = hexStart + kHexColumnChars + kColumnSpacing;
    for (int c = kBytesPerLine - 1; c >= 0; --c) {
        const int start = x <= charStart ? hexStart + HexOffset(c) : charStart + CharOffset(c, FShown.gap);
        if (start < x)
            return c;
    }
    return -1;
}

TZqHexView::TByteRange TZqHexView::BytesBetween(int from, int to) const
{
    if (FShown.bytes.isEmpty() || from >= to)
        return {};
    const QTextBlock fromBlock = document()->findBlock(from);
    const QTextBlock toBlock = document()->findBlock(to);
    const int fromLine = fromBlock.blockNumber() - FShown.headerLines;
    const int toLine = toBlock.blockNumber() - FShown.headerLines;
    const int first = fromLine < 0 ? 0 : fromLine * kBytesPerLine + FirstCellFrom(from - fromBlock.position());
    const int last = toLine < 0 ? -1 : toLine * kBytesPerLine + LastCellBefore(to - toBlock.position());
    const int end = std::min(last + 1, int(FShown.bytes.size()));
    return end > first ? TByteRange{first, end - first} : TByteRange{};
}

TZqHexView::TByteRange TZqHexView::SelectedBytes() const
{
    const QTextCursor selection = textCursor();
    return BytesBetween(selection.selectionStart(), selection.selectionEnd());
}

QString TZqHexView::SelectionText() const
{
    const TByteRange range = SelectedBytes();
    if (range.count == 0)
        return QString();
    const auto address = [this](int index) {
        return QStringLiteral("0x") +
               QString::number(FShown.start + quint32(index), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    };
    return QStringLiteral("selection %1..%2: %3 %4, %5")
        .arg(address(range.first), address(range.first + range.count - 1))
        .arg(range.count)
        .arg(range.count == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"),
             Crc32Text(FShown.bytes.mid(range.first, range.count)));
}
