#include "ZqGLCDBase.h"

#include "BmpPicture.h"
#include "RawFrame.h"
#include "ZqLibUSB.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <utility>

namespace {
// Larger than any BMP of BmpPicture::MaxSide squared at one bit per pixel.
constexpr qint64 kMaxBmpFileBytes = 1 << 20;

// The midpoint circle's steps, y growing downwards: plot(px, py) for each
// step of the first octant after the axis point.
template <class Plot>
void CircleSteps(std::int64_t r, Plot plot)
{
    std::int64_t f = 1 - r;
    std::int64_t ddF_x = 1;
    std::int64_t ddF_y = -2 * r;
    std::int64_t px = 0;
    std::int64_t py = r;
    while (py > px) {
        if (f >= 0) {
            --py;
            ddF_y += 2;
            f += ddF_y;
        }
        ++px;
        ddF_x += 2;
        f += ddF_x;
        plot(px, py);
    }
}

bool Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}
} // namespace

TZqGLCDBase::TZqGLCDBase(QObject *AOwner) : QObject(AOwner) {}

TZqLibUSB *TZqGLCDBase::ZqLibUSB() const { return FZqLibUSB; }
void TZqGLCDBase::SetZqLibUSB(TZqLibUSB *value) { FZqLibUSB = value; }

void TZqGLCDBase::glcd_cls()
{
    if (FZqLibUSB)
        FZqLibUSB->ClearDevBuf();
}

void TZqGLCDBase::glcd_setPixel(int x, int y, int bw) { Plot(x, y, bw != 0); }

// A geometry larger than the link's buffer loses the pixels past its end
// instead of writing outside it.
void TZqGLCDBase::Plot(std::int64_t x, std::int64_t y, bool on)
{
    if (!FZqLibUSB || x < 0 || x >= FDisplayWidth || y < 0 || y >= FDisplayHeight)
        return;
    QByteArray &buffer = FZqLibUSB->DevBuffer;
    const std::int64_t i = x + y / 8 * FDisplayWidth;
    if (i >= buffer.size())
        return;
    const char mask = char(1 << (y % 8));
    char &byte = buffer.data()[i];
    byte = on ? char(byte | mask) : char(byte & ~mask);
}

void TZqGLCDBase::glcd_drawLine(int x0, int y0, int x1, int y1, std::uint8_t color)
{
    Line(x0, y0, x1, y1, color != 0);
}

// Integer Bresenham along the major axis, both end points included. Steps
// whose major coordinate lies off the display plot nothing, so they are
// skipped at once: after k steps the error term has taken
// m = ceil((k * dy - err0) / dx) minor steps (none while k * dy <= err0).
void TZqGLCDBase::Line(int ax, int ay, int bx, int by, bool on)
{
    if (!FZqLibUSB)
        return;
    std::int64_t x0 = ax;
    std::int64_t y0 = ay;
    std::int64_t x1 = bx;
    std::int64_t y1 = by;
    const bool steep = qAbs(y1 - y0) > qAbs(x1 - x0);
    if (steep) {
        std::swap(x0, y0);
        std::swap(x1, y1);
    }
    if (x0 > x1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const std::int64_t dx = x1 - x0;
    const std::int64_t dy = qAbs(y1 - y0);
    const std::int64_t ystep = y0 < y1 ? 1 : -1;
    const std::int64_t extent = steep ? FDisplayHeight : FDisplayWidth;
    if (x1 < 0 || x0 >= extent)
        return;
    const std::int64_t last = qMin<std::int64_t>(x1, extent - 1);
    std::int64_t err = dx / 2;
    std::int64_t x = x0;
    std::int64_t y = y0;
    if (x0 < 0) {
        // From 32-bit end points dx and dy are below 2^32, and k <= dx, so
        // k * dy fits in 64 unsigned bits.
        const auto k = std::uint64_t(-x0);
        const std::uint64_t owed = k * std::uint64_t(dy);
        const std::uint64_t m =
            owed > std::uint64_t(err) ? (owed - std::uint64_t(err) + std::uint64_t(dx) - 1) / std::uint64_t(dx) : 0;
        err = std::int64_t(std::uint64_t(err) + m * std::uint64_t(dx) - owed);
        y += ystep * std::int64_t(m);
        x = 0;
    }
    for (; x <= last; ++x) {
        if (steep)
            Plot(y, x, on);
        else
            Plot(x, y, on);
        err -= dy;
        if (err < 0) {
            y += ystep;
            err += dx;
        }
    }
}

// The lines from (x, y) to (x, y + h - 1) and to (x + w - 1, y): the pixels
// Line would plot, both end points included whichever way round they lie,
// walked over the display's part only.
void TZqGLCDBase::VLine(std::int64_t x, std::int64_t y, std::int64_t h, bool on)
{
    if (!FZqLibUSB || x < 0 || x >= FDisplayWidth)
        return;
    const std::int64_t last = qMin<std::int64_t>(qMax(y, y + h - 1), FDisplayHeight - 1);
    for (std::int64_t row = qMax<std::int64_t>(qMin(y, y + h - 1), 0); row <= last; ++row)
        Plot(x, row, on);
}

void TZqGLCDBase::HLine(std::int64_t x, std::int64_t y, std::int64_t w, bool on)
{
    if (!FZqLibUSB || y < 0 || y >= FDisplayHeight)
        return;
    const std::int64_t last = qMin<std::int64_t>(qMax(x, x + w - 1), FDisplayWidth - 1);
    for (std::int64_t column = qMax<std::int64_t>(qMin(x, x + w - 1), 0); column <= last; ++column)
        Plot(column, y, on);
}

void TZqGLCDBase::glcd_drawFastHLine(int x, int y, int w, std::uint8_t color) { HLine(x, y, w, color != 0); }
void TZqGLCDBase::glcd_drawFastVLine(int x, int y, int h, std::uint8_t color) { VLine(x, y, h, color != 0); }

void TZqGLCDBase::glcd_drawRect(int x, int y, int w, int h, std::uint8_t color)
{
    const bool on = color != 0;
    HLine(x, y, w, on);
    HLine(x, std::int64_t(y) + h - 1, w, on);
    VLine(x, y, h, on);
    VLine(std::int64_t(x) + w - 1, y, h, on);
}

void TZqGLCDBase::glcd_fillRect(int x, int y, int w, int h, std::uint8_t color) { FillRect(x, y, w, h, color != 0); }

// One vertical line per column; columns off the display would draw nothing.
void TZqGLCDBase::FillRect(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, bool on)
{
    const std::int64_t first = qMax<std::int64_t>(x, 0);
    const std::int64_t last = qMin<std::int64_t>(x + w - 1, FDisplayWidth - 1);
    for (std::int64_t c = first; c <= last; ++c)
        VLine(c, y, h, on);
}

void TZqGLCDBase::glcd_drawRoundRect(int x, int y, int w, int h, std::uint8_t r, std::uint8_t color)
{
    const bool on = color != 0;
    const std::int64_t left = std::int64_t(x) + r;
    const std::int64_t top = std::int64_t(y) + r;
    const std::int64_t right = std::int64_t(x) + w - r - 1;
    const std::int64_t bottom = std::int64_t(y) + h - r - 1;
    HLine(left, y, std::int64_t(w) - 2 * r, on);
    HLine(left, std::int64_t(y) + h - 1, std::int64_t(w) - 2 * r, on);
    VLine(x, top, std::int64_t(h) - 2 * r, on);
    VLine(std::int64_t(x) + w - 1, top, std::int64_t(h) - 2 * r, on);
    Corners(left, top, r, 1, on);
    Corners(right, top, r, 2, on);
    Corners(right, bottom, r, 4, on);
    Corners(left, bottom, r, 8, on);
}

void TZqGLCDBase::glcd_circle(int x, int y, int r, std::uint8_t bw)
{
    if (!FZqLibUSB)
        return;
    const bool on = bw != 0;
    const std::int64_t cx = x;
    const std::int64_t cy = y;
    Plot(cx, cy + r, on);
    Plot(cx, cy - r, on);
    Plot(cx + r, cy, on);
    Plot(cx - r, cy, on);
    CircleSteps(r, [&](std::int64_t px, std::int64_t py) {
        Plot(cx + px, cy + py, on);
        Plot(cx - px, cy + py, on);
        Plot(cx + px, cy - py, on);
        Plot(cx - px, cy - py, on);
        Plot(cx + py, cy + px, on);
        Plot(cx - py, cy + px, on);
        Plot(cx + py, cy - px, on);
        Plot(cx - py, cy - px, on);
    });
}

void TZqGLCDBase::glcd_drawCircleHelper(int x0, int y0, int r, std::uint8_t cornername, std::uint8_t color)
{
    Corners(x0, y0, r, cornername, color != 0);
}

// Corner bits: 1 upper left, 2 upper right, 4 lower right, 8 lower left.
// The axis points are left to the straight edges of a round rectangle.
void TZqGLCDBase::Corners(std::int64_t cx, std::int64_t cy, std::int64_t r, std::uint8_t corners, bool on)
{
    if (!FZqLibUSB)
        return;
    CircleSteps(r, [&](std::int64_t px, std::int64_t py) {
        if (corners & 1) {
            Plot(cx - py, cy - px, on);
            Plot(cx - px, cy - py, on);
        }
        if (corners & 2) {
            Plot(cx + px, cy - py, on);
            Plot(cx + py, cy - px, on);
        }
        if (corners & 4) {
            Plot(cx + px, cy + py, on);
            Plot(cx + py, cy + px, on);
        }
        if (corners & 8) {
            Plot(cx - py, cy + px, on);
            Plot(cx - px, cy + py, on);
        }
    });
}

void TZqGLCDBase::glcd_fillCircle(int x, int y, std::uint8_t r, std::uint8_t color)
{
    const bool on = color != 0;
    VLine(x, std::int64_t(y) - r, 2 * std::int64_t(r) + 1, on);
    FillCircleHalves(x, y, r, 3, 0, on);
}

void TZqGLCDBase::glcd_fillCircleHelper(int x0, int y0, int r, std::uint8_t cornername, int delta, std::uint8_t color)
{
    FillCircleHalves(x0, y0, r, cornername, delta, color != 0);
}

// Bit 1 the right half, bit 2 the left; each span stretched down by delta.
void TZqGLCDBase::FillCircleHalves(std::int64_t x0, std::int64_t y0, std::int64_t r, std::uint8_t halves,
                                   std::int64_t delta, bool on)
{
    if (!FZqLibUSB)
        return;
    CircleSteps(r, [&](std::int64_t px, std::int64_t py) {
        if (halves & 1) {
            VLine(x0 + px, y0 - py, 2 * py + 1 + delta, on);
            VLine(x0 + py, y0 - px, 2 * px + 1 + delta, on);
        }
        if (halves & 2) {
            VLine(x0 - px, y0 - py, 2 * py + 1 + delta, on);
            VLine(x0 - py, y0 - px, 2 * px + 1 + delta, on);
        }
    });
}

void TZqGLCDBase::glcd_drawBitmap(int x, int y, const GlcdPicture &bitmap, std::uint8_t color)
{
    if (!FZqLibUSB)
        return;
    const bool on = color != 0;
    for (int j = 0; j < bitmap.height(); ++j)
        for (int i = 0; i < bitmap.width(); ++i)
            if (bitmap.rgb(i, j) == 0)
                Plot(std::int64_t(x) + i, std::int64_t(y) + j, on);
}

bool TZqGLCDBase::glcd_bitmap_from_file(const QString &fname, QString *error)
{
    if (!FZqLibUSB)
        return Fail(error, QStringLiteral("no device link"));
    const bool bmp = QFileInfo(fname).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0;
    if (!(bmp ? ReadBmpFile(fname, error) : ReadRawFile(fname, error)))
        return false;
    glcd_display();
    return true;
}

bool TZqGLCDBase::ReadBmpFile(const QString &fname, QString *error)
{
    QFile file(fname);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(error, QStringLiteral("%1: %2").arg(fname, file.errorString()));
    if (file.size() > kMaxBmpFileBytes)
        return Fail(error, QStringLiteral("%1: too large for a display picture").arg(fname));
    const std::optional<BmpPicture> picture = BmpPicture::FromBytes(file.read(kMaxBmpFileBytes), error);
    if (!picture) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(fname, *error);
        return false;
    }
    glcd_cls();
    glcd_drawBitmap(0, 0, *picture, 1);
    return true;
}

// A shorter file replaces only as many bytes as it holds.
bool TZqGLCDBase::ReadRawFile(const QString &fname, QString *error)
{
    QFile file(fname);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(error, QStringLiteral("%1: %2").arg(fname, file.errorString()));
    ApplyRawFrame(FZqLibUSB->DevBuffer, file.read(kRawFrameBytes));
    return true;
}

void TZqGLCDBase::mDelay(int msec)
{
    QCoreApplication::processEvents();
    if (msec <= 0)
        return;
    if (FWait) {
        FWait(msec);
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer); // a coarse timer may fire up to 5 % early
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(msec);
    loop.exec();
}
