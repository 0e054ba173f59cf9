#include "BridgeFirmware.h"

#include "AdapterRequest.h"
#include "Ds13xx.h"
#include "Pcf8583.h"
#include "Ssd1306.h"
#include "St7565.h"

#include <algorithm>
#include <cerrno>

namespace sim {
namespace {
enum class Direction {
    Out,
    In,
    Either
};

std::uint8_t deviceAddress7(const SetupPacket &setup) { return std::uint8_t((setup.wValue & 0xFF) >> 1); }
std::uint8_t indexLow(const SetupPacket &setup) { return std::uint8_t(setup.wIndex & 0xFF); }
} // namespace

struct BridgeFirmware::Handler {
    std::uint8_t request;
    Direction direction;
    bool needsLines; // only while 150 has taken the SPI/Microwire lines
    int (BridgeFirmware::*run)(const SetupPacket &setup, std::uint8_t *data);
};

const BridgeFirmware::Handler BridgeFirmware::kHandlers[] = {
    {arI2CBitrate, Direction::Either, false, &BridgeFirmware::i2cClock},
    {arI2CCommand, Direction::Out, false, &BridgeFirmware::i2cCommand},
    {arI2CWrite, Direction::Out, false, &BridgeFirmware::i2cWrite},
    {arI2CRead, Direction::In, false, &BridgeFirmware::i2cRead},
    {arSpiOpen, Direction::Out, false, &BridgeFirmware::spiOpen},
    {arSpiClose, Direction::Out, false, &BridgeFirmware::spiClose},
    {arChipSelect, Direction::Out, true, &BridgeFirmware::chipSelect},
    {arDataCommand, Direction::Out, true, &BridgeFirmware::dataCommand},
    {arSpiWriteByte, Direction::Out, true, &BridgeFirmware::spiWriteByte},
    {arSpiWriteBlock, Direction::Out, true, &BridgeFirmware::spiWriteBlock},
    {arMicrowireShift, Direction::In, true, &BridgeFirmware::microwireShift},
};

BridgeFirmware::BridgeFirmware(const BusPopulation &population, const VirtualClock &clock) : FClock(clock)
{
    setPopulation(population);
}

namespace {
template <typename Chip, typename Make>
void keepOrMake(std::unique_ptr<Chip> &chip, bool wanted, bool same, Make make)
{
    if (!wanted)
        chip.reset();
    else if (!chip || !same)
        chip = make();
}
} // namespace

void BridgeFirmware::setPopulation(const BusPopulation &population)
{
    const BusPopulation was = FPopulation;
    const bool first = !FEeprom24 && !FRtc && !FDs13xx && !FOled && !FEeprom93 && !FLcd;
    keepOrMake(FEeprom24, bool(population.eeprom24),
               !first && was.eeprom24 == population.eeprom24 && was.eeprom24Pins == population.eeprom24Pins,
               [&] { return std::make_unique<Eeprom24Cxx>(*population.eeprom24, population.eeprom24Pins, FClock); });
    keepOrMake(FRtc, population.pcf8583, true, [&] { return std::make_unique<Pcf8583>(FClock); });
    keepOrMake(FDs13xx, bool(population.ds13xx), !first && was.ds13xx == population.ds13xx,
               [&] { return std::make_unique<Ds13xx>(*population.ds13xx, FClock); });
    keepOrMake(FOled, population.ssd1306, true, [] { return std::make_unique<Ssd1306>(); });
    keepOrMake(FEeprom93, bool(population.eeprom93),
               !first && was.eeprom93 == population.eeprom93 && was.organisation == population.organisation,
               [&] { return std::make_unique<Eeprom93Cxx>(*population.eeprom93, population.organisation, FClock); });
    keepOrMake(FLcd, population.st7565, true, [] { return std::make_unique<St7565>(); });
    FPopulation = population;
    wireBuses();
}

void BridgeFirmware::wireBuses()
{
    const bool taken = FSpi.taken();
    const int code = FSpi.clockCode();
    FI2c = I2cBus();
    FSpi = SpiBus();
    if (!FChipsConnected) {
        if (taken)
            FSpi.take(code);
        return;
    }
    for (I2cDevice *chip : std::initializer_list<I2cDevice *>{FEeprom24.get(), FRtc.get(), FDs13xx.get(), FOled.get()})
        if (chip)
            FI2c.attach(chip);
    if (FEeprom93)
        FSpi.attach(FEeprom93.get(), SpiBus::Select::Microwire);
    if (FLcd)
        FSpi.attach(FLcd.get(), SpiBus::Select::Display);
    if (taken)
        FSpi.take(code);
}

BridgeFirmware::~BridgeFirmware() = default;

void BridgeFirmware::setChipsConnected(bool connected)
{
    if (connected == FChipsConnected)
        return;
    FChipsConnected = connected;
    wireBuses();
    // A chip seated again powers up: its bus state is gone, its memory kept.
    if (connected) {
        FI2c.reset();
        for (SpiDevice *chip : std::initializer_list<SpiDevice *>{FEeprom93.get(), FLcd.get()})
            if (chip)
                chip->reset();
    }
}

int BridgeFirmware::controlTransfer(const SetupPacket &setup, std::uint8_t *data)
{
    const auto *handler = std::find_if(std::begin(kHandlers), std::end(kHandlers),
                                       [&](const Handler &h) { return h.request == setup.bRequest; });
    if (handler == std::end(kHandlers))
        return -EPIPE;
    const Direction sent = setup.isIn() ? Direction::In : Direction::Out;
    if (handler->direction != Direction::Either && handler->direction != sent)
        return -EPIPE;
    if (handler->needsLines && !FSpi.taken())
        return -EPIPE;
    const std::int64_t i2cBits = FI2c.bitTimes();
    const std::int64_t spiNs = FSpi.wireNs();
    const int result = (this->*handler->run)(setup, data);
    FWireNs += (FI2c.bitTimes() - i2cBits) * 1000000 / FI2cKhz + (FSpi.wireNs() - spiNs);
    return result;
}

void BridgeFirmware::reset()
{
    FI2c.reset();
    FSpi.reset();
    FI2cKhz = DefaultI2cKhz;
}

int BridgeFirmware::i2cClock(const SetupPacket &setup, std::uint8_t *data)
{
    if (setup.wValue < 1 || setup.wValue > 1000)
        return -EPIPE;
    FI2cKhz = setup.wValue;
    if (!setup.isIn())
        return setup.wLength;
    const std::uint8_t reply[2] = {std::uint8_t(FI2cKhz & 0xFF), std::uint8_t(FI2cKhz >> 8)};
    const int n = std::min<int>(setup.wLength, 2);
    std::copy_n(reply, n, data);
    return n;
}

int BridgeFirmware::i2cCommand(const SetupPacket &setup, std::uint8_t *)
{
    const std::vector<std::uint8_t> bytes{indexLow(setup), std::uint8_t(setup.wIndex >> 8)};
    return FI2c.write(deviceAddress7(setup), bytes) ? setup.wLength : -EPIPE;
}

int BridgeFirmware::i2cWrite(const SetupPacket &setup, std::uint8_t *data)
{
    std::vector<std::uint8_t> bytes(std::size_t(setup.wLength) + 1);
    bytes[0] = indexLow(setup);
    std::copy_n(data, setup.wLength, bytes.begin() + 1);
    return FI2c.write(deviceAddress7(setup), bytes) ? setup.wLength : -EPIPE;
}

int BridgeFirmware::i2cRead(const SetupPacket &setup, std::uint8_t *data)
{
    if (setup.wLength > 1 && FBlockReadFault != BlockReadFault::None)
        return faultyBlockRead(setup, data);
    return FI2c.writeThenRead(deviceAddress7(setup), indexLow(setup), data, setup.wLength) ? setup.wLength : 0;
}

int BridgeFirmware::faultyBlockRead(const SetupPacket &setup, std::uint8_t *data)
{
    const std::uint8_t reg = indexLow(setup);
    switch (FBlockReadFault) {
    case BlockReadFault::Short: {
        const int n = std::max(1, setup.wLength / 2);
        return FI2c.writeThenRead(deviceAddress7(setup), reg, data, n) ? n : 0;
    }
    case BlockReadFault::FirstByte:
        return FI2c.writeThenRead(deviceAddress7(setup), reg, data, 1) ? setup.wLength : 0;
    case BlockReadFault::ShiftedByOne:
        return FI2c.writeThenRead(deviceAddress7(setup), std::uint8_t(reg + 1), data, setup.wLength) ? setup.wLength
                                                                                                     : 0;
    case BlockReadFault::None:
        break;
    }
    return FI2c.writeThenRead(deviceAddress7(setup), reg, data, setup.wLength) ? setup.wLength : 0;
}

int BridgeFirmware::spiOpen(const SetupPacket &setup, std::uint8_t *)
{
    if (setup.wValue > ssSoftSPI)
        return -EPIPE;
    FSpi.take(setup.wValue);
    return setup.wLength;
}

int BridgeFirmware::spiClose(const SetupPacket &setup, std::uint8_t *)
{
    FSpi.release();
    return setup.wLength;
}

int BridgeFirmware::chipSelect(const SetupPacket &setup, std::uint8_t *)
{
    if (setup.wValue > 1)
        return -EPIPE;
    FSpi.selectMicrowire(setup.wValue == 1);
    return setup.wLength;
}

int BridgeFirmware::dataCommand(const SetupPacket &setup, std::uint8_t *)
{
    if (setup.wValue > 1)
        return -EPIPE;
    FSpi.setA0(setup.wValue == 1);
    return setup.wLength;
}

int BridgeFirmware::spiWriteByte(const SetupPacket &setup, std::uint8_t *)
{
    FSpi.sendByte(std::uint8_t(setup.wValue & 0xFF));
    return setup.wLength;
}

int BridgeFirmware::spiWriteBlock(const SetupPacket &setup, std::uint8_t *data)
{
    std::for_each(data, data + setup.wLength, [this](std::uint8_t byte) { FSpi.sendByte(byte); });
    return setup.wLength;
}

int BridgeFirmware::microwireShift(const SetupPacket &setup, std::uint8_t *data)
{
    const int n = setup.wIndex;
    if (n < 1 || n > 16)
        return -EPIPE;
    const std::uint16_t in = FSpi.shift(setup.wValue, n);
    const std::uint8_t reply[2] = {std::uint8_t(in >> 8), std::uint8_t(in & 0xFF)};
    const int length = std::min<int>(setup.wLength, 2);
    std::copy_n(reply, length, data);
    return length;
}

} // namespace sim
