// The display page's text fields, typed by anyone: background, colour, x,
// y, size and the text, one a line. Whatever is typed, the drawing stays
// inside the frame buffer.
#include "GlcdTextFields.h"
#include "ZqGLCDBase.h"
#include "ZqLibUSB.h"

#include <cstdlib>

namespace {
class Canvas : public TZqGLCDBase {
public:
    explicit Canvas(TZqLibUSB *link) { SetZqLibUSB(link); }
    void glcd_display() override {}
    void glcd_contrast(std::uint8_t) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The buffer is all the drawing needs: a link that never connects.
    static TZqLibUSB link(nullptr, nullptr);
    static Canvas canvas(&link);
    const QList<QByteArray> lines = QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\n');
    const auto line = [&lines](int i) { return i < lines.size() ? QString::fromUtf8(lines[i]) : QString(); };
    const TGlcdTextFields f = ParseGlcdTextFields(line(0), line(1), line(2), line(3), line(4));
    if (f.Back > 1 || f.Colour > 1 || f.Size < 1 || f.Size > 4)
        std::abort();
    const int bufferSize = int(link.DevBuffer.size());
    canvas.glcd_puts(f.X, f.Y, lines.size() > 5 ? lines[5] : QByteArray(), std::uint8_t(f.Size),
                     std::uint8_t(f.Colour), std::uint8_t(f.Back));
    if (link.DevBuffer.size() != bufferSize)
        std::abort();
    return 0;
}
