#include "BmpPicture.h"

#include <QtEndian>

namespace {
constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40; // BITMAPINFOHEADER; V4 and V5 extend it
constexpr int kV4HeaderSize = 108;
constexpr int kV5HeaderSize = 124;
constexpr int kPaletteEntrySize = 4; // blue, green, red, reserved
constexpr std::uint32_t kBiRgb = 0;  // no compression

// Little-endian fields at fixed offsets; callers have checked the length.
std::uint16_t U16(const QByteArray &b, int at) { return qFromLittleEndian<std::uint16_t>(b.constData() + at); }
std::uint32_t U32(const QByteArray &b, int at) { return qFromLittleEndian<std::uint32_t>(b.constData() + at); }
std::int32_t I32(const QByteArray &b, int at) { return qFromLittleEndian<std::int32_t>(b.constData() + at); }

bool Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

struct Layout {
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: rows stored top-down
    std::int64_t paletteAt = 0;
    std::int64_t colours = 2;
    std::int64_t pixelsAt = 0;
    std::int64_t stride = 0;
};

bool ReadHeaders(const QByteArray &b, Layout &l, QString *error)
{
    if (b.size() < 2 || b[0] != 'B' || b[1] != 'M')
        return Fail(error, QStringLiteral("not a BMP file (no \"BM\" signature)"));
    if (b.size() < kFileHeaderSize + kInfoHeaderSize)
        return Fail(error, QStringLiteral("BMP file truncated inside its headers"));
    if (U32(b, 2) > std::uint32_t(b.size()))
        return Fail(error, QStringLiteral("BMP size field (%1 bytes) points past the end of the file (%2 bytes)")
                               .arg(U32(b, 2))
                               .arg(b.size()));
    const std::uint32_t headerSize = U32(b, 14);
    if (headerSize != kInfoHeaderSize && headerSize != kV4HeaderSize && headerSize != kV5HeaderSize)
        return Fail(error, QStringLiteral("unsupported BMP header (%1 bytes)").arg(headerSize));
    if (kFileHeaderSize + std::int64_t(headerSize) > b.size())
        return Fail(error, QStringLiteral("BMP file truncated inside its headers"));
    l.width = I32(b, 18);
    l.height = I32(b, 22);
    l.paletteAt = kFileHeaderSize + std::int64_t(headerSize);
    l.pixelsAt = U32(b, 10);
    return true;
}

bool CheckFormat(const QByteArray &b, Layout &l, QString *error)
{
    const int bits = U16(b, 28);
    if (bits != 1)
        return Fail(error, QStringLiteral("BMP with %1 bits per pixel; only 1-bit pictures are read").arg(bits));
    if (U16(b, 26) != 1)
        return Fail(error, QStringLiteral("BMP with %1 planes").arg(U16(b, 26)));
    if (U32(b, 30) != kBiRgb)
        return Fail(error, QStringLiteral("compressed BMP (method %1) is not read").arg(U32(b, 30)));
    const std::uint32_t used = U32(b, 46);
    if (used != 0 && used != 2)
        return Fail(error, QStringLiteral("BMP palette of %1 colours; a 1-bit picture has 2").arg(used));
    if (l.width < 1 || l.width > BmpPicture::MaxSide || l.height == 0 || l.height < -BmpPicture::MaxSide ||
        l.height > BmpPicture::MaxSide)
        return Fail(error, QStringLiteral("BMP size %1 x %2 out of range").arg(l.width).arg(l.height));
    return true;
}

bool CheckExtent(const QByteArray &b, Layout &l, QString *error)
{
    const std::int64_t paletteEnd = l.paletteAt + l.colours * kPaletteEntrySize;
    if (paletteEnd > b.size())
        return Fail(error, QStringLiteral("BMP file truncated inside its palette"));
    if (l.pixelsAt < paletteEnd)
        return Fail(error, QStringLiteral("BMP pixel offset %1 points into its headers").arg(l.pixelsAt));
    l.stride = (l.width + 31) / 32 * 4;
    const std::int64_t rows = l.height < 0 ? -l.height : l.height;
    if (l.pixelsAt + l.stride * rows > b.size())
        return Fail(error, QStringLiteral("BMP pixel data runs past the end of the file"));
    return true;
}
} // namespace

std::optional<BmpPicture> BmpPicture::FromBytes(const QByteArray &bytes, QString *error)
{
    Layout l;
    if (!ReadHeaders(bytes, l, error) || !CheckFormat(bytes, l, error) || !CheckExtent(bytes, l, error))
        return std::nullopt;
    BmpPicture picture;
    picture.FWidth = int(l.width);
    picture.FHeight = int(l.height < 0 ? -l.height : l.height);
    picture.FStride = int(l.stride);
    for (int i = 0; i < 2; ++i) {
        const int at = int(l.paletteAt) + i * kPaletteEntrySize;
        picture.FPalette[std::size_t(i)] = std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 |
                                           std::uint32_t(std::uint8_t(bytes[at + 1])) << 8 | std::uint8_t(bytes[at]);
    }
    picture.FRows.reserve(picture.FStride * picture.FHeight);
    for (int y = 0; y < picture.FHeight; ++y) {
        const int stored = l.height < 0 ? y : picture.FHeight - 1 - y;
        picture.FRows.append(bytes.constData() + l.pixelsAt + std::int64_t(stored) * l.stride, picture.FStride);
    }
    return picture;
}

// Outside the picture: white, which glcd_drawBitmap leaves alone.
std::uint32_t BmpPicture::rgb(int x, int y) const
{
    if (x < 0 || x >= FWidth || y < 0 || y >= FHeight)
        return 0xFFFFFF;
    const auto byte = std::uint8_t(FRows.at(qsizetype(y) * FStride + x / 8));
    return FPalette[(byte >> (7 - x % 8)) & 1];
}
