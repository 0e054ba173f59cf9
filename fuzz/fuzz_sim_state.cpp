// The simulator's state file, saved by an earlier run or edited by hand.
#include "SimState.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString error;
    if (auto state = sim::SimState::fromText(QByteArray(reinterpret_cast<const char *>(data), int(size)), error))
        sim::SimState::fromText(state->toText(), error);
    return 0;
}
