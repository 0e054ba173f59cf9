#include "PanelImage.h"

namespace sim {

QByteArray PanelImage::toFrame() const
{
    QByteArray frame(Width * Height / 8, '\0');
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            if (pixel(x, y))
                frame[x + (y / 8) * Width] = char(frame[x + (y / 8) * Width] | (1 << (y % 8)));
    return frame;
}

} // namespace sim
