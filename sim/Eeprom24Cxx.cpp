#include "Eeprom24Cxx.h"

namespace sim {

const Eeprom24Variant &eeprom24Variant(Eeprom24Type type) { return kEeprom24Variants[int(type)]; }

std::optional<Eeprom24Type> eeprom24TypeFromName(const QString &name)
{
    for (int i = 0; i < int(std::size(kEeprom24Variants)); ++i)
        if (name.compare(QLatin1String(kEeprom24Variants[i].name), Qt::CaseInsensitive) == 0)
            return Eeprom24Type(i);
    return std::nullopt;
}

// Of device-address bits 3..1, those above the block bits compare with the pins.
bool eeprom24Answers(Eeprom24Type type, int pins, std::uint8_t addressByte)
{
    const int pinMask = (7 << eeprom24Variant(type).blockBits) & 7;
    return (addressByte & 0xF0) == 0xA0 && ((addressByte >> 1) & pinMask) == (pins & pinMask);
}

Eeprom24Cxx::Eeprom24Cxx(Eeprom24Type type, int pins, const VirtualClock &clock)
    : FType(type), FVariant(eeprom24Variant(type)), FPins(pins & 7), FClock(clock), FMemory(FVariant.size, char(0xFF))
{
}

QByteArray Eeprom24Cxx::memory() const { return FMemory; }

void Eeprom24Cxx::setMemory(int address, const QByteArray &bytes)
{
    for (int i = 0; i < bytes.size(); ++i)
        FMemory[(address + i) % FVariant.size] = bytes[i];
}

// The counter's low bits wrap inside the page; the page itself never changes.
int Eeprom24Cxx::nextInPage(int address) const
{
    const int low = FVariant.page - 1;
    return (address & ~low) | ((address + 1) & low);
}

// A transfer that ends without a stop never programs what it latched.
void Eeprom24Cxx::start()
{
    FPageLatch.clear();
    FPhase = Phase::Idle;
}

bool Eeprom24Cxx::address(std::uint8_t byte)
{
    if (!occupies(byte) || busy())
        return false;
    FBlock = (byte >> 1) & ((1 << FVariant.blockBits) - 1);
    FPhase = (byte & 1) ? Phase::Reading : Phase::WordAddress;
    return true;
}

bool Eeprom24Cxx::write(std::uint8_t byte)
{
    if (FPhase == Phase::WordAddress) {
        FPointer = ((FBlock << 8) | byte) & (FVariant.size - 1);
        FPhase = Phase::Data;
        return true;
    }
    if (FPhase != Phase::Data)
        return false;
    FPageLatch[FPointer] = byte;
    FPointer = nextInPage(FPointer);
    return true;
}

// A current-address or sequential read runs on the chip's own counter.
std::uint8_t Eeprom24Cxx::read()
{
    const auto byte = std::uint8_t(FMemory[FPointer]);
    FPointer = (FPointer + 1) % FVariant.size;
    return byte;
}

void Eeprom24Cxx::stop()
{
    if (FPhase == Phase::Data && !FPageLatch.empty())
        startWriteCycle();
    FPageLatch.clear();
    FPhase = Phase::Idle;
}

// The bytes are in the array from the start of the cycle; nobody can read
// them before it ends, as the chip answers nothing meanwhile.
void Eeprom24Cxx::startWriteCycle()
{
    for (const auto &[address, byte] : FPageLatch) {
        if (address == FIgnoredWrite)
            FIgnoredWrite = -1;
        else
            FMemory[address] = char(byte);
    }
    FBusyUntilUs = FClock.nowUs() + FVariant.writeCycleUs;
}

void Eeprom24Cxx::reset()
{
    FPageLatch.clear();
    FPhase = Phase::Idle;
    FPointer = 0;
    FBusyUntilUs = 0;
}

} // namespace sim
