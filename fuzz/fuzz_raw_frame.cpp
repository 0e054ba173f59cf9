// A raw frame file the user opens for the display. The first two bytes pick
// the size of the link's buffer it lands in (0..2047), the rest is the file.
#include "RawFrame.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int bufferSize = (data[0] << 8 | data[1]) & 0x7FF;
    const QByteArray file(reinterpret_cast<const char *>(data + 2), int(size - 2));
    const QByteArray before(bufferSize, '\x5A');
    QByteArray buffer = before;
    const int taken = ApplyRawFrame(buffer, file);
    const bool sound = taken >= 0 && taken <= kRawFrameBytes && taken <= bufferSize && taken <= file.size() &&
                       (taken == qMin(qMin(kRawFrameBytes, bufferSize), int(file.size()))) &&
                       buffer.size() == bufferSize && buffer.left(taken) == file.left(taken) &&
                       buffer.mid(taken) == before.mid(taken);
    if (!sound)
        std::abort();
    return 0;
}
