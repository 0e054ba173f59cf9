#pragma once
// A black-and-white BMP picture read strictly from its bytes: the file
// header "BM", a Windows info header (40, 108 or 124 bytes), 1 bit per
// pixel, no compression, a palette of two colours, rows padded to four
// bytes, bottom-up or top-down. Anything else (other depths, RLE, OS/2
// headers, sizes or offsets that point past the bytes given) is refused
// with a reason, and nothing is read outside the bytes given.
#include "GlcdPicture.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

class BmpPicture : public GlcdPicture {
public:
    // The sides this reader accepts; the displays are 128 x 64.
    static constexpr int MaxSide = 2048;

    // Empty, with the reason in error, when the bytes are no such picture.
    static std::optional<BmpPicture> FromBytes(const QByteArray &bytes, QString *error = nullptr);

    int width() const override { return FWidth; }
    int height() const override { return FHeight; }
    std::uint32_t rgb(int x, int y) const override;

private:
    BmpPicture() = default;

    int FWidth = 0;
    int FHeight = 0;
    int FStride = 0;
    std::array<std::uint32_t, 2> FPalette{};
    QByteArray FRows; // top row first, each FStride bytes, bit 7 the leftmost pixel
};
