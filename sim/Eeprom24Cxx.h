#pragma once
// 24C02 / 24C04 / 24C08 / 24C16 I2C EEPROM, after the Atmel AT24Cxx data
// sheets: device address 1010 followed by the address pins the part has and
// the block bits (memory address bits 10..8) it needs, one word address byte,
// page writes whose address counter rolls over inside the page, sequential
// reads that roll over at the end of the memory, and a self-timed write cycle
// (tWR, 5 ms max) started by the stop condition, during which the chip
// acknowledges nothing (acknowledge polling). Erased cells read 0xFF.
// Not modelled: the WP pin (always writable), the bus clock limit, the
// Microchip parts whose unused address pins are "don't care".
#include "I2cBus.h"
#include "VirtualClock.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <optional>

namespace sim {

enum class Eeprom24Type {
    C02,
    C04,
    C08,
    C16
};

struct Eeprom24Variant {
    const char *name;
    int size;      // bytes
    int page;      // write page in bytes
    int blockBits; // device-address bits 1.. that carry memory address bits 8..; the pins take the rest of bits 3..1
    int writeCycleUs;
};

// One row per part; the quirks sit beside it.
inline constexpr Eeprom24Variant kEeprom24Variants[] = {
    {"24c02", 256, 8, 0, 5000},   // pins A2 A1 A0: up to eight parts on one bus
    {"24c04", 512, 16, 1, 5000},  // pins A2 A1; bit 1 = address bit 8
    {"24c08", 1024, 16, 2, 5000}, // pin A2; bits 2..1 = address bits 9..8
    {"24c16", 2048, 16, 3, 5000}, // no pins: the part answers at every address A0..AE
};

const Eeprom24Variant &eeprom24Variant(Eeprom24Type type);
std::optional<Eeprom24Type> eeprom24TypeFromName(const QString &name);
// True when a part with these pin levels (A2 A1 A0 as bits 2..0) answers
// this device address byte, read/write bit ignored.
bool eeprom24Answers(Eeprom24Type type, int pins, std::uint8_t addressByte);

class Eeprom24Cxx : public I2cDevice {
public:
    // pins: the levels of A2, A1, A0 as bits 2..0; pins the part lacks are ignored.
    Eeprom24Cxx(Eeprom24Type type, int pins, const VirtualClock &clock);

    const Eeprom24Variant &variant() const { return FVariant; }
    bool occupies(std::uint8_t addressByte) const { return eeprom24Answers(FType, FPins, addressByte); }
    bool busy() const { return FClock.nowUs() < FBusyUntilUs; }
    QByteArray memory() const;
    void setMemory(int address, const QByteArray &bytes);
    // Test hook: the next write cycle that programs this byte leaves it as
    // it was, acknowledged as ever (a worn cell). -1 clears it.
    void ignoreNextWriteAt(int address) { FIgnoredWrite = address; }

    void start() override;
    bool address(std::uint8_t byte) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read() override;
    void stop() override;
    void reset() override;

private:
    enum class Phase {
        Idle,
        WordAddress,
        Data,
        Reading
    };

    int nextInPage(int address) const;
    void startWriteCycle();

    Eeprom24Type FType;
    const Eeprom24Variant &FVariant;
    int FPins;
    const VirtualClock &FClock;
    QByteArray FMemory;
    Phase FPhase = Phase::Idle;
    int FBlock = 0;
    int FPointer = 0;
    std::map<int, std::uint8_t> FPageLatch; // bytes received, programmed at the stop
    std::int64_t FBusyUntilUs = 0;
    int FIgnoredWrite = -1;
};

} // namespace sim
