// A chip image file the user opens: raw, Intel HEX or S-record. What parses
// must also survive being written out in its own format and read back.
#include "ImageFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const ImageParseResult parsed = parseImage(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    if (!parsed.ok || parsed.image.isEmpty() || parsed.format == ImageFormat::Raw)
        return 0;
    const ImageParseResult again = parseImage(formatImage(parsed.image, parsed.format));
    if (!again.ok || again.image != parsed.image)
        std::abort();
    return 0;
}
