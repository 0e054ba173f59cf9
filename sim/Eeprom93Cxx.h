#pragma once
// 93C46 / 93C56 / 93C66 / 93C76 / 93C86 Microwire EEPROM with the ORG pin
// (16-bit words or 8-bit bytes), after the Microchip 93AA/93LC data sheets.
// Emulated: the start bit (the first 1 on DI while selected; leading zeros
// are ignored), the opcodes READ, WRITE, ERASE, EWEN, EWDS, ERAL and WRAL,
// the address field of each part and organisation, the dummy 0 that DO puts
// out after the last address bit of READ, sequential reads that go on to the
// next address (no dummy bit between items, wrapping at the end), the
// write-enable latch (EWDS at power-up: writes are refused until EWEN), and
// the self-timed programming cycle of WRITE, ERASE, ERAL and WRAL, started
// when CS falls after a complete instruction. While it runs the chip takes
// no instruction and DO shows busy (0) whenever CS is high; after it, DO
// shows ready (1) until the next start bit. DO is released otherwise.
// Cycle times: 6 ms for WRITE, ERASE and ERAL, 15 ms for WRAL (93LC46B).
// Memory layout: 16-bit word w is bytes 2w (high) and 2w+1 (low); in 8-bit
// organisation byte address b is byte b of the same array (the data sheets
// do not say which half of a word an odd byte is).
#include "SpiBus.h"
#include "VirtualClock.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace sim {

enum class Eeprom93Type {
    C46,
    C56,
    C66,
    C76,
    C86
};
enum class Organisation {
    Word16,
    Byte8
};

struct Eeprom93Variant {
    const char *name;
    int bytes;
    int addressBits16; // address field in 16-bit organisation; one bit more in 8-bit
};

inline constexpr Eeprom93Variant kEeprom93Variants[] = {
    {"93c46", 128, 6},   {"93c56", 256, 8},   // field bit 7 (bit 8 in 8-bit organisation) is "don't care"
    {"93c66", 512, 8},   {"93c76", 1024, 10}, // field bit 9 (bit 10 in 8-bit organisation) is "don't care"
    {"93c86", 2048, 10},
};

const Eeprom93Variant &eeprom93Variant(Eeprom93Type type);
std::optional<Eeprom93Type> eeprom93TypeFromName(const QString &name);

class Eeprom93Cxx : public SpiDevice {
public:
    static constexpr std::int64_t WriteCycleUs = 6000;
    static constexpr std::int64_t EraseAllCycleUs = 6000;
    static constexpr std::int64_t WriteAllCycleUs = 15000;

    Eeprom93Cxx(Eeprom93Type type, Organisation org, const VirtualClock &clock);

    const Eeprom93Variant &variant() const { return FVariant; }
    Organisation organisation() const { return FOrg; }
    int addressBits() const;
    int dataBits() const { return FOrg == Organisation::Word16 ? 16 : 8; }
    bool writeEnabled() const { return FWriteEnabled; }
    bool busy() const { return FClock.nowUs() < FBusyUntilUs; }
    QByteArray memory() const { return FMemory; }
    void setMemory(int address, const QByteArray &bytes);
    // Test hook: the next WRITE, ERASE or WRAL that programs this byte of
    // memory() leaves it as it was, reporting ready as ever. -1 clears it.
    void ignoreNextWriteAt(int byteAddress) { FIgnoredWrite = byteAddress; }

    void select(bool selected) override;
    void clock(bool dataIn) override;
    DataOut dataOut() const override;
    void reset() override;

private:
    enum class Phase {
        Idle,
        Instruction,
        Data,
        Reading,
        Complete
    };
    enum class Program {
        None,
        Write,
        Erase,
        EraseAll,
        WriteAll
    };

    int cells() const { return FVariant.bytes / (dataBits() / 8); }
    std::uint16_t cell(int address) const;
    void setCell(int address, std::uint16_t value);
    void program(int byteAddress, std::uint8_t value);
    void decode();
    void decodeControl(int field);
    void startRead(int address);
    void shiftOut();
    void startProgramming();

    const Eeprom93Variant &FVariant;
    Organisation FOrg;
    const VirtualClock &FClock;
    QByteArray FMemory;
    bool FSelected = false;
    bool FWriteEnabled = false;
    std::int64_t FBusyUntilUs = 0;
    bool FStatusPending = false; // a cycle ran since the last start bit
    bool FShowStatus = false;
    Phase FPhase = Phase::Idle;
    std::uint32_t FShiftIn = 0;
    int FBits = 0;
    Program FProgram = Program::None;
    int FAddress = 0;
    std::uint16_t FData = 0;
    int FBitsLeft = 0; // read data bits still to go out
    DataOut FOut = DataOut::Released;
    int FIgnoredWrite = -1;
};

} // namespace sim
