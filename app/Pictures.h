#pragma once
// Artwork of the main window's pages and of the wiring window, painted at
// run time so it stays sharp and needs no image files.
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <array>

namespace Pictures {

constexpr int PagePictureWidth = 128;
constexpr QSize ChipPictureSize(PagePictureWidth, 80);
constexpr QSize OledPictureSize(PagePictureWidth, 120);
constexpr QSize PinoutSize(640, 360);

// One colour column of the wiring table.
struct PinoutColumn {
    const char *title;
    QColor colour;
};

constexpr int PinCount = 10;
constexpr int ColumnCount = 5;

// Signal of each connector pin per use, columns in the order of pinoutColumns().
struct PinSignals {
    int pin;
    std::array<const char *, ColumnCount> signal;
};

const std::array<PinoutColumn, ColumnCount> &pinoutColumns();
const std::array<PinSignals, PinCount> &pinoutRows();

// An eight-pin DIP package seen from above with `label` printed on it.
QPixmap chipPackagePicture(const QString &label);
// A small I2C OLED module with its four header pins.
QPixmap oledModulePicture();
// The adapter's 10-pin header and the signal of each pin per use.
QImage connectorPinoutPicture();

} // namespace Pictures
