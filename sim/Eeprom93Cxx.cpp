#include "Eeprom93Cxx.h"

namespace sim {

const Eeprom93Variant &eeprom93Variant(Eeprom93Type type) { return kEeprom93Variants[int(type)]; }

std::optional<Eeprom93Type> eeprom93TypeFromName(const QString &name)
{
    for (int i = 0; i < int(std::size(kEeprom93Variants)); ++i)
        if (name.compare(QLatin1String(kEeprom93Variants[i].name), Qt::CaseInsensitive) == 0)
            return Eeprom93Type(i);
    return std::nullopt;
}

Eeprom93Cxx::Eeprom93Cxx(Eeprom93Type type, Organisation org, const VirtualClock &clock)
    : FVariant(eeprom93Variant(type)), FOrg(org), FClock(clock), FMemory(FVariant.bytes, char(0xFF))
{
}

int Eeprom93Cxx::addressBits() const { return FVariant.addressBits16 + (FOrg == Organisation::Byte8 ? 1 : 0); }

void Eeprom93Cxx::setMemory(int address, const QByteArray &bytes)
{
    for (int i = 0; i < bytes.size(); ++i)
        FMemory[(address + i) % FVariant.bytes] = bytes[i];
}

std::uint16_t Eeprom93Cxx::cell(int address) const
{
    if (FOrg == Organisation::Byte8)
        return std::uint8_t(FMemory[address]);
    return std::uint16_t(std::uint8_t(FMemory[2 * address]) << 8 | std::uint8_t(FMemory[2 * address + 1]));
}

void Eeprom93Cxx::setCell(int address, std::uint16_t value)
{
    if (FOrg == Organisation::Byte8) {
        program(address, std::uint8_t(value));
        return;
    }
    program(2 * address, std::uint8_t(value >> 8));
    program(2 * address + 1, std::uint8_t(value));
}

void Eeprom93Cxx::program(int byteAddress, std::uint8_t value)
{
    if (byteAddress == FIgnoredWrite)
        FIgnoredWrite = -1;
    else
        FMemory[byteAddress] = char(value);
}

// CS low ends every instruction; it starts the programming cycle of one
// that was clocked in whole. CS high shows ready/busy on DO after a cycle.
void Eeprom93Cxx::select(bool selected)
{
    if (!selected && FSelected) {
        if (FPhase == Phase::Complete && FProgram != Program::None)
            startProgramming();
        FProgram = Program::None;
        FPhase = Phase::Idle;
        FOut = DataOut::Released;
        FShowStatus = false;
    } else if (selected && !FSelected) {
        FShowStatus = FStatusPending;
        FPhase = Phase::Idle;
    }
    FSelected = selected;
}

void Eeprom93Cxx::startProgramming()
{
    if (!FWriteEnabled)
        return;
    std::int64_t cycleUs = WriteCycleUs;
    switch (FProgram) {
    case Program::Write:
        setCell(FAddress, FData);
        break;
    case Program::Erase:
        setCell(FAddress, 0xFFFF);
        break;
    case Program::EraseAll:
        FMemory.fill(char(0xFF));
        cycleUs = EraseAllCycleUs;
        break;
    case Program::WriteAll:
        for (int a = 0; a < cells(); ++a)
            setCell(a, FData);
        cycleUs = WriteAllCycleUs;
        break;
    case Program::None:
        return;
    }
    FBusyUntilUs = FClock.nowUs() + cycleUs;
    FStatusPending = true;
}

// During a programming cycle the chip looks for no start bit.
void Eeprom93Cxx::clock(bool dataIn)
{
    if (!FSelected || busy())
        return;
    switch (FPhase) {
    case Phase::Idle:
        if (dataIn) {
            FPhase = Phase::Instruction;
            FShiftIn = 0;
            FBits = 0;
            FStatusPending = false;
            FShowStatus = false;
        }
        break;
    case Phase::Instruction:
        FShiftIn = FShiftIn << 1 | (dataIn ? 1 : 0);
        if (++FBits == 2 + addressBits())
            decode();
        break;
    case Phase::Data:
        FData = std::uint16_t(FData << 1 | (dataIn ? 1 : 0));
        if (++FBits == dataBits())
            FPhase = Phase::Complete;
        break;
    case Phase::Reading:
        shiftOut();
        break;
    case Phase::Complete:
        break;
    }
}

// Opcode in the two bits after the start bit; the address field follows.
// Don't-care address bits fall away with the mask to the part's size.
void Eeprom93Cxx::decode()
{
    const int field = int(FShiftIn & ((1u << addressBits()) - 1));
    const int address = field & (cells() - 1);
    FAddress = address;
    FData = 0;
    FBits = 0;
    FProgram = Program::None;
    switch (FShiftIn >> addressBits()) {
    case 0b10:
        startRead(address);
        break;
    case 0b01:
        FProgram = Program::Write;
        FPhase = Phase::Data;
        break;
    case 0b11:
        FProgram = Program::Erase;
        FPhase = Phase::Complete;
        break;
    default:
        decodeControl(field);
        break;
    }
}

// Opcode 00: the top two bits of the address field choose the instruction.
void Eeprom93Cxx::decodeControl(int field)
{
    FPhase = Phase::Complete;
    switch (field >> (addressBits() - 2)) {
    case 0b11:
        FWriteEnabled = true;
        break;
    case 0b00:
        FWriteEnabled = false;
        break;
    case 0b10:
        FProgram = Program::EraseAll;
        break;
    default:
        FProgram = Program::WriteAll;
        FPhase = Phase::Data;
        break;
    }
}

// DO goes low, the dummy bit, right after the last address bit's edge.
void Eeprom93Cxx::startRead(int address)
{
    FData = cell(address);
    FBitsLeft = dataBits();
    FOut = DataOut::Low;
    FPhase = Phase::Reading;
}

// Each rising edge puts out the next bit; after bit 0 the next item follows.
void Eeprom93Cxx::shiftOut()
{
    if (FBitsLeft == 0) {
        FAddress = (FAddress + 1) % cells();
        FData = cell(FAddress);
        FBitsLeft = dataBits();
    }
    --FBitsLeft;
    FOut = ((FData >> FBitsLeft) & 1) ? DataOut::High : DataOut::Low;
}

DataOut Eeprom93Cxx::dataOut() const
{
    if (!FSelected)
        return DataOut::Released;
    if (busy())
        return DataOut::Low;
    if (FPhase == Phase::Reading)
        return FOut;
    return FShowStatus ? DataOut::High : DataOut::Released;
}

// Power-up: EWDS, nothing in progress; the cells keep their contents.
void Eeprom93Cxx::reset()
{
    FSelected = false;
    FWriteEnabled = false;
    FBusyUntilUs = 0;
    FStatusPending = false;
    FShowStatus = false;
    FPhase = Phase::Idle;
    FProgram = Program::None;
    FOut = DataOut::Released;
}

} // namespace sim
