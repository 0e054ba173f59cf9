// The simulator's command-line options: the input is split at NUL bytes
// into arguments.
#include "SimulatorOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QStringList arguments{QStringLiteral("brindle")};
    for (const QByteArray &part : QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\0'))
        arguments << QString::fromUtf8(part);
    QString error;
    sim::SimulatorOptions::fromArguments(arguments, error);
    return 0;
}
