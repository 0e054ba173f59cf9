#include "GlcdFixtures.h"

#include <QtEndian>
#include <algorithm>

QString requestLine(bool in, int request, int value, int index, int length)
{
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(in ? QStringLiteral("IN") : QStringLiteral("OUT"))
        .arg(request)
        .arg(value, 4, 16, QLatin1Char('0'))
        .arg(index, 4, 16, QLatin1Char('0'))
        .arg(length)
        .toUpper();
}

QStringList requestLines(const sim::TransferLog &log)
{
    QStringList lines;
    for (const sim::TransferRecord &r : log.records())
        lines << requestLine(r.in, r.request, r.value, r.index, r.length);
    return lines;
}

bool pixelAt(const QByteArray &frame, int x, int y, int width)
{
    return (std::uint8_t(frame[x + y / 8 * width]) >> (y % 8)) & 1;
}

QList<QPoint> litPixels(const QByteArray &frame, int width, int height)
{
    QList<QPoint> points;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pixelAt(frame, x, y, width))
                points << QPoint(x, y);
    return points;
}

QList<QPoint> sorted(QList<QPoint> points)
{
    std::sort(points.begin(), points.end(),
              [](QPoint a, QPoint b) { return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x(); });
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

std::uint32_t TextPicture::rgb(int x, int y) const
{
    const QChar c = FRows[y][x];
    return c == QLatin1Char('#') ? 0x000000 : c == QLatin1Char('.') ? 0xFFFFFF : 0x010000;
}

void putU16(QByteArray &bytes, int at, std::uint16_t value) { qToLittleEndian(value, bytes.data() + at); }
void putU32(QByteArray &bytes, int at, std::uint32_t value) { qToLittleEndian(value, bytes.data() + at); }

QByteArray monoBmp(const QStringList &rows, int blackIndex, bool topDown)
{
    const int width = int(rows[0].size());
    const int height = int(rows.size());
    const int stride = (width + 31) / 32 * 4;
    const int offset = 14 + 40 + 8;
    QByteArray bmp(offset + stride * height, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    putU32(bmp, 2, std::uint32_t(bmp.size()));
    putU32(bmp, 10, offset);
    putU32(bmp, 14, 40);
    putU32(bmp, 18, std::uint32_t(width));
    putU32(bmp, 22, std::uint32_t(topDown ? -height : height));
    putU16(bmp, 26, 1);
    putU16(bmp, 28, 1);
    putU32(bmp, 34, std::uint32_t(stride * height));
    putU32(bmp, 46, 2);
    putU32(bmp, 54 + 4 * (1 - blackIndex), 0x00FFFFFF); // the other entry: white
    for (int y = 0; y < height; ++y) {
        const int stored = topDown ? y : height - 1 - y;
        for (int x = 0; x < width; ++x) {
            const bool black = rows[y][x] == QLatin1Char('#');
            if (black == (blackIndex == 1))
                bmp[offset + stored * stride + x / 8] = char(bmp[offset + stored * stride + x / 8] | 0x80 >> (x % 8));
        }
    }
    return bmp;
}
