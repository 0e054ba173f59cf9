#pragma once
// TZqGLCDBase: what the monochrome display drivers share. The geometry, the
// bus settings the drivers send, and drawing and text on a frame buffer that
// is the device link's DevBuffer: pages of 8 rows, one byte per column, byte
// x + (y / 8) * DisplayWidth, bit y % 8 with bit 0 the top row; a set bit is
// a pixel that is on. Nothing here talks to the adapter: only a driver's
// glcd_display sends the buffer. Every shape ends in single pixels, clipped
// to the display and to the buffer; without a link nothing is drawn.
#include "AdapterRequest.h"
#include "GlcdPicture.h"

#include <QByteArray>
#include <functional>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>

class TZqLibUSB;

enum TBUS : std::uint8_t {
    tbI2C,
    tbSPI,
};

enum TGLCD_ALIGN : std::uint8_t {
    gaLeft,
    gaRight,
};

class TZqGLCDBase : public QObject {
    Q_OBJECT
public:
    explicit TZqGLCDBase(QObject *AOwner = nullptr);

    TSPI_SCK SPI_SCK() const { return FSPI_SCK; }
    void SetSPI_SCK(TSPI_SCK value) { FSPI_SCK = value; }
    int I2C_BitrateKhz() const { return FI2C_BitrateKhz; }
    void SetI2C_BitrateKhz(int value) { FI2C_BitrateKhz = value; }
    // Records the wiring; no operation reads it.
    TBUS Bus() const { return FBus; }
    void SetBus(TBUS value) { FBus = value; }
    int DisplayWidth() const { return FDisplayWidth; }
    void SetDisplayWidth(int value) { FDisplayWidth = value; }
    int DisplayHeight() const { return FDisplayHeight; }
    void SetDisplayHeight(int value) { FDisplayHeight = value; }
    // Not owned; clears itself when the link is destroyed.
    TZqLibUSB *ZqLibUSB() const;
    void SetZqLibUSB(TZqLibUSB *value);

    // Sends the frame buffer to the display.
    virtual void glcd_display() = 0;
    // Each driver answers with its controller's own contrast command.
    virtual void glcd_contrast(std::uint8_t contrast) = 0;

    void glcd_cls();
    void glcd_setPixel(int x, int y, int bw);
    void glcd_drawLine(int x0, int y0, int x1, int y1, std::uint8_t color);
    void glcd_drawFastHLine(int x, int y, int w, std::uint8_t color);
    void glcd_drawFastVLine(int x, int y, int h, std::uint8_t color);
    void glcd_drawRect(int x, int y, int w, int h, std::uint8_t color);
    void glcd_fillRect(int x, int y, int w, int h, std::uint8_t color);
    void glcd_drawRoundRect(int x, int y, int w, int h, std::uint8_t r, std::uint8_t color);
    void glcd_circle(int x, int y, int r, std::uint8_t bw);
    void glcd_drawCircleHelper(int x0, int y0, int r, std::uint8_t cornername, std::uint8_t color);
    void glcd_fillCircle(int x, int y, std::uint8_t r, std::uint8_t color);
    void glcd_fillCircleHelper(int x0, int y0, int r, std::uint8_t cornername, int delta, std::uint8_t color);
    // Exactly black picture pixels become color; every other colour leaves
    // the display pixel as it was.
    void glcd_drawBitmap(int x, int y, const GlcdPicture &bitmap, std::uint8_t color);
    // A name ending in ".bmp" (any case) is read as a black-and-white BMP
    // (BmpPicture) and replaces the picture, black pixels on; any other file
    // is a raw frame buffer image whose first bytes (at most the buffer's)
    // replace the start of the buffer. Then glcd_display. False, with the
    // reason in error and the buffer untouched, when there is no link or the
    // file cannot be opened or is no such BMP.
    bool glcd_bitmap_from_file(const QString &fname, QString *error = nullptr);
    // Waits msec milliseconds in an event loop, so the window stays alive
    // without a busy core; pending events run at least once, also for 0.
    void mDelay(int msec);
    // Replaces mDelay's timed wait (a test moves a virtual clock instead);
    // pending events still run.
    void SetWait(std::function<void(int msec)> wait) { FWait = std::move(wait); }

    // Text in the built-in font (Font5x7.h); strings are one byte per glyph.
    void glcd_drawChar(int x, int y, std::uint8_t c, std::uint8_t color, std::uint8_t bg, std::uint8_t size);
    std::uint16_t glcd_text_len(const QByteArray &str, std::uint8_t txt_size) const;
    void glcd_puts(int x, int y, const QByteArray &str, std::uint8_t txt_size, std::uint8_t color, std::uint8_t bg);
    void glcd_puts1(const QByteArray &str, std::uint8_t txt_size, std::uint8_t color, std::uint8_t bg);
    void glcd_puts2(int x, int y, const QByteArray &str, std::uint8_t txt_size, std::uint8_t color, std::uint8_t bg,
                    TGLCD_ALIGN align);
    void glcd_put_int(int x, int y, int data, std::uint8_t txt_size, std::uint8_t color, std::uint8_t bg);
    void glcd_put_int1(int data, std::uint8_t txt_size, std::uint8_t color, std::uint8_t bg);

    // Text cursor: where glcd_puts1 continues.
    int cur_x = 0;
    int cur_y = 0;

private:
    // The shapes work in 64 bits, so coordinates anywhere in the 32-bit
    // range neither overflow nor cost more than the display's extent.
    void Plot(std::int64_t x, std::int64_t y, bool on);
    void Line(int ax, int ay, int bx, int by, bool on);
    void VLine(std::int64_t x, std::int64_t y, std::int64_t h, bool on);
    void HLine(std::int64_t x, std::int64_t y, std::int64_t w, bool on);
    void Corners(std::int64_t cx, std::int64_t cy, std::int64_t r, std::uint8_t corners, bool on);
    void FillRect(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, bool on);
    void FillCircleHalves(std::int64_t x0, std::int64_t y0, std::int64_t r, std::uint8_t halves, std::int64_t delta,
                          bool on);
    bool ReadBmpFile(const QString &fname, QString *error);
    bool ReadRawFile(const QString &fname, QString *error);
    void CellPixel(std::int64_t x, std::int64_t y, int size, bool on);
    void PutString(const QByteArray &str, std::uint8_t txt_size, std::uint8_t color, std::uint8_t bg);

    TSPI_SCK FSPI_SCK = ssF_CPU4;
    int FI2C_BitrateKhz = 0;
    TBUS FBus = tbI2C;
    int FDisplayWidth = 128;
    int FDisplayHeight = 64;
    QPointer<TZqLibUSB> FZqLibUSB;
    std::function<void(int)> FWait;
};
