// A BMP picture the user opens for the display.
#include "BmpPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString error;
    BmpPicture::FromBytes(QByteArray(reinterpret_cast<const char *>(data), int(size)), &error);
    return 0;
}
