#include "I2cBus.h"

namespace sim {
namespace {
constexpr int kByteBits = 9;
constexpr int kConditionBits = 1;
} // namespace

void I2cBus::reset()
{
    FAddressed.clear();
    for (I2cDevice *device : FDevices)
        device->reset();
}

void I2cBus::start()
{
    FBitTimes += kConditionBits;
    FAddressed.clear();
    for (I2cDevice *device : FDevices)
        device->start();
}

// Every chip compares the address; all that match stay in the transfer.
bool I2cBus::address(std::uint8_t byte)
{
    FBitTimes += kByteBits;
    for (I2cDevice *device : FDevices)
        if (device->address(byte))
            FAddressed.push_back(device);
    return !FAddressed.empty();
}

bool I2cBus::writeByte(std::uint8_t byte)
{
    FBitTimes += kByteBits;
    bool acknowledged = false;
    for (I2cDevice *device : FAddressed)
        acknowledged = device->write(byte) || acknowledged;
    return acknowledged;
}

std::uint8_t I2cBus::readByte()
{
    FBitTimes += kByteBits;
    std::uint8_t sda = 0xFF; // released lines read high
    for (I2cDevice *device : FAddressed)
        sda &= device->read();
    return sda;
}

void I2cBus::stop()
{
    FBitTimes += kConditionBits;
    FAddressed.clear();
    for (I2cDevice *device : FDevices)
        device->stop();
}

bool I2cBus::write(std::uint8_t address7, const std::vector<std::uint8_t> &bytes)
{
    start();
    bool acknowledged = address(std::uint8_t(address7 << 1));
    for (std::size_t i = 0; acknowledged && i < bytes.size(); ++i)
        acknowledged = writeByte(bytes[i]);
    stop();
    return acknowledged;
}

bool I2cBus::writeThenRead(std::uint8_t address7, std::uint8_t reg, std::uint8_t *out, int n)
{
    start();
    bool acknowledged = address(std::uint8_t(address7 << 1)) && writeByte(reg);
    if (acknowledged) {
        start();
        acknowledged = address(std::uint8_t(address7 << 1 | 1));
    }
    for (int i = 0; acknowledged && i < n; ++i)
        out[i] = readByte();
    stop();
    return acknowledged;
}

} // namespace sim
