#include "Firmware.h"

#include <cstring>

namespace sim {

int EchoFirmware::controlTransfer(const SetupPacket &setup, std::uint8_t *data)
{
    if (setup.isIn()) {
        for (int i = 0; i < setup.wLength; ++i)
            data[i] = std::uint8_t(setup.wValue + i);
    } else {
        if (setup.wLength > 0)
            std::memcpy(FLast, data, setup.wLength);
        FLastLength = setup.wLength;
    }
    return setup.wLength;
}

} // namespace sim
