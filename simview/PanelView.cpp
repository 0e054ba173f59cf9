#include "PanelView.h"

#include <QPainter>
#include <algorithm>

namespace {
const QColor kOledOff(0, 0, 0);
const QColor kOledOn(0xB8, 0xEC, 0xFF);
const QColor kLcdGround(0x9D, 0xAC, 0x86);
const QColor kLcdInk(0x14, 0x1C, 0x16);
constexpr int kFrame = 1;

QColor mix(const QColor &from, const QColor &to, double amount)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * amount),
                            float(from.greenF() + (to.greenF() - from.greenF()) * amount),
                            float(from.blueF() + (to.blueF() - from.blueF()) * amount));
}
} // namespace

TPanelView::TPanelView(Glass glass, QWidget *parent) : QWidget(parent), FGlass(glass) { SetZoom(FZoom); }

void TPanelView::SetImage(const sim::PanelImage &image, double level)
{
    level = std::clamp(level, 0.0, 1.0);
    if (!FAbsent && image == FImage && level == FLevel)
        return;
    FImage = image;
    FLevel = level;
    FAbsent = false;
    update();
}

void TPanelView::SetAbsent()
{
    if (FAbsent)
        return;
    FAbsent = true;
    FImage = {};
    update();
}

void TPanelView::SetZoom(int zoom)
{
    FZoom = std::clamp(zoom, 1, 8);
    setFixedSize(sim::PanelImage::Width * FZoom + 2 * kFrame, sim::PanelImage::Height * FZoom + 2 * kFrame);
    update();
}

QColor TPanelView::Background() const
{
    if (FAbsent)
        return palette().color(QPalette::Window);
    return FGlass == Glass::Oled ? kOledOff : kLcdGround;
}

// The OLED's contrast sets the segment current: even the lowest still glows.
// The LCD's volume sets the drive voltage: low values leave pixels pale.
QColor TPanelView::Lit() const
{
    return FGlass == Glass::Oled ? mix(kOledOff, kOledOn, 0.3 + 0.7 * FLevel)
                                 : mix(kLcdGround, kLcdInk, 0.35 + 0.65 * FLevel);
}

QImage TPanelView::Picture() const
{
    QImage glass(sim::PanelImage::Width, sim::PanelImage::Height, QImage::Format_RGB32);
    const QRgb ground = Background().rgb();
    const QRgb lit = Lit().rgb();
    for (int y = 0; y < sim::PanelImage::Height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(glass.scanLine(y));
        for (int x = 0; x < sim::PanelImage::Width; ++x)
            line[x] = FImage.pixel(x, y) ? lit : ground;
    }
    return glass.scaled(glass.size() * FZoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void TPanelView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawImage(kFrame, kFrame, Picture());
}
