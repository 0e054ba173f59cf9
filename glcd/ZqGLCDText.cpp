// The text operations of TZqGLCDBase: cells of the built-in font scaled by
// whole factors, drawn into the frame buffer like any other shape.
#include "Font5x7.h"
#include "ZqGLCDBase.h"

// A cell pixel at scale 1 is one pixel, at larger scales a size x size square.
void TZqGLCDBase::CellPixel(std::int64_t x, std::int64_t y, int size, bool on)
{
    if (size == 1)
        Plot(x, y, on);
    else
        FillRect(x, y, size, size, on);
}

// bg equal to color (as bytes) leaves the unlit cell pixels alone.
void TZqGLCDBase::glcd_drawChar(int x, int y, std::uint8_t c, std::uint8_t color, std::uint8_t bg, std::uint8_t size)
{
    for (int i = 0; i < kCellColumns; ++i) {
        const std::uint8_t column = GlyphColumn(c, i);
        for (int j = 0; j < kCellRows; ++j) {
            const bool lit = (column >> j) & 1;
            if (!lit && bg == color)
                continue;
            CellPixel(x + std::int64_t(i) * size, y + std::int64_t(j) * size, size, (lit ? color : bg) != 0);
        }
    }
}

std::uint16_t TZqGLCDBase::glcd_text_len(const QByteArray &str, std::uint8_t txt_size) const
{
    return std::uint16_t(std::uint64_t(str.size()) * kCellColumns * txt_size);
}

// The cursor wraps as 32-bit arithmetic does.
void TZqGLCDBase::PutString(const QByteArray &str, std::uint8_t txt_size, std::uint8_t color, std::uint8_t bg)
{
    for (char c : str) {
        glcd_drawChar(cur_x, cur_y, std::uint8_t(c), color, bg, txt_size);
        cur_x = int(std::uint32_t(cur_x) + std::uint32_t(kCellColumns * txt_size));
    }
}

void TZqGLCDBase::glcd_puts(int x, int y, const QByteArray &str, std::uint8_t txt_size, std::uint8_t color,
                            std::uint8_t bg)
{
    cur_x = x;
    cur_y = y;
    PutString(str, txt_size, color, bg);
}

void TZqGLCDBase::glcd_puts1(const QByteArray &str, std::uint8_t txt_size, std::uint8_t color, std::uint8_t bg)
{
    PutString(str, txt_size, color, bg);
}

// Right-aligned text ends with its spacing column at x - 1.
void TZqGLCDBase::glcd_puts2(int x, int y, const QByteArray &str, std::uint8_t txt_size, std::uint8_t color,
                             std::uint8_t bg, TGLCD_ALIGN align)
{
    cur_y = y;
    cur_x = align == gaRight ? int(std::uint32_t(x) - glcd_text_len(str, txt_size)) : x;
    PutString(str, txt_size, color, bg);
}

void TZqGLCDBase::glcd_put_int(int x, int y, int data, std::uint8_t txt_size, std::uint8_t color, std::uint8_t bg)
{
    glcd_puts(x, y, QByteArray::number(data), txt_size, color, bg);
}

void TZqGLCDBase::glcd_put_int1(int data, std::uint8_t txt_size, std::uint8_t color, std::uint8_t bg)
{
    glcd_puts1(QByteArray::number(data), txt_size, color, bg);
}
