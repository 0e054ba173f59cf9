#pragma once
// What a 128 x 64 panel's glass shows, pixel by pixel, after everything the
// controller does between its display RAM and the glass.
#include <QByteArray>
#include <bitset>

namespace sim {

class PanelImage {
public:
    static constexpr int Width = 128;
    static constexpr int Height = 64;

    bool pixel(int x, int y) const { return FPixels[std::size_t(y * Width + x)]; }
    void setPixel(int x, int y, bool on) { FPixels[std::size_t(y * Width + x)] = on; }
    int litCount() const { return int(FPixels.count()); }
    // The image in the program's frame-buffer layout: byte x + (y / 8) * 128,
    // bit y % 8, bit 0 the top row of the page.
    QByteArray toFrame() const;
    bool operator==(const PanelImage &other) const { return FPixels == other.FPixels; }

private:
    std::bitset<Width * Height> FPixels;
};

} // namespace sim
