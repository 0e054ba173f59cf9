#pragma once
// What glcd_drawBitmap copies from: a picture that tells its size and the
// RGB colour of each pixel. Any picture type can stand behind it (a BMP read
// by BmpPicture, or a window toolkit's image wrapped by its user).
#include <cstdint>

class GlcdPicture {
public:
    virtual ~GlcdPicture() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // 0x00RRGGBB; x in 0..width-1, y in 0..height-1, row 0 the top.
    virtual std::uint32_t rgb(int x, int y) const = 0;
};
