// The description the stored items travel in, damaged any way; what reads
// back must write out and read back the same.
#include "mxStorage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TmxStorage storage;
    if (!storage.ReadDescription(QByteArray(reinterpret_cast<const char *>(data), int(size))))
        return 0;
    const QByteArray written = storage.WriteDescription();
    TmxStorage again;
    if (!again.ReadDescription(written) || again.WriteDescription() != written)
        std::abort();
    return 0;
}
