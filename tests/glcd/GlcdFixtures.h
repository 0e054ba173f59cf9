#pragma once
// What the display tests stand on: a frame buffer drawn on a simulated
// adapter's link, whose glcd_display only counts; reading pixels out of a
// frame; pictures written as text; 1-bit BMP files built byte by byte.
#include "GlcdPicture.h"
#include "SimBench.h"
#include "TransferLog.h"
#include "ZqGLCDBase.h"
#include "ZqLibUSB.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QStringList>

class Canvas : public TZqGLCDBase {
public:
    explicit Canvas(TZqLibUSB *link) { SetZqLibUSB(link); }

    void glcd_display() override { ++displays; }
    void glcd_contrast(std::uint8_t c) override { contrast = c; }
    QByteArray &buffer() { return ZqLibUSB()->DevBuffer; }

    int displays = 0;
    int contrast = -1;
};

// The bench and a canvas on its link, the buffer filled with one byte.
struct DrawBench {
    explicit DrawBench(char fill = '\0') : canvas(&bench.link()) { canvas.buffer().fill(fill); }
    SimBench bench;
    Canvas canvas;
};

// A display driver on the bench's link, with what it reported through
// OnInitialized: the sender and Initialized at that moment.
template <class Driver>
struct PanelBench {
    PanelBench()
    {
        driver.SetZqLibUSB(&bench.link());
        driver.OnInitialized = [this](QObject *sender) {
            senders << sender;
            reports << driver.Initialized();
        };
    }
    sim::TransferLog &log() { return bench.simulator().adapter()->log(); }

    SimBench bench;
    Driver driver;
    QList<QObject *> senders;
    QList<bool> reports;
};

// Requests in a short line each: "OUT 102 0078 AE00 254" (direction,
// request, wValue and wIndex in hex, wLength).
QString requestLine(bool in, int request, int value, int index, int length);
QStringList requestLines(const sim::TransferLog &log);

bool pixelAt(const QByteArray &frame, int x, int y, int width = 128);
// Lit pixels of a frame, row by row.
QList<QPoint> litPixels(const QByteArray &frame, int width = 128, int height = 64);
QList<QPoint> sorted(QList<QPoint> points);

// Rows of characters: '#' black, '.' white, anything else a colour that is
// not quite black (0x010000).
class TextPicture : public GlcdPicture {
public:
    explicit TextPicture(QStringList rows) : FRows(std::move(rows)) {}
    int width() const override { return FRows.isEmpty() ? 0 : int(FRows[0].size()); }
    int height() const override { return int(FRows.size()); }
    std::uint32_t rgb(int x, int y) const override;

private:
    QStringList FRows;
};

// A 1-bit BMP of these rows ('#' black), with a 40-byte info header.
// blackIndex: the palette entry that is black; topDown: negative height.
QByteArray monoBmp(const QStringList &rows, int blackIndex = 0, bool topDown = false);
// Little-endian field writers for spoiling a BMP in place.
void putU16(QByteArray &bytes, int at, std::uint16_t value);
void putU32(QByteArray &bytes, int at, std::uint32_t value);
