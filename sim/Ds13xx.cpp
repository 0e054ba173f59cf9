#include "Ds13xx.h"

namespace sim {
namespace {
constexpr std::int64_t kSecondUs = 1000000;
constexpr int kSecondsPerDay = 86400;
constexpr int kTimeRegisters = 7;

int fromBcd(std::uint8_t bcd) { return (bcd >> 4) * 10 + (bcd & 0x0F); }
std::uint8_t toBcd(int value) { return std::uint8_t((value / 10) << 4 | value % 10); }
} // namespace

const Ds13xxVariant &ds13xxVariant(Ds13xxType type) { return kDs13xxVariants[int(type)]; }

std::optional<Ds13xxType> ds13xxTypeFromName(const QString &name)
{
    for (int i = 0; i < int(std::size(kDs13xxVariants)); ++i)
        if (name.compare(QLatin1String(kDs13xxVariants[i].name), Qt::CaseInsensitive) == 0)
            return Ds13xxType(i);
    return std::nullopt;
}

// First power: 01/01/00, day 1, 00:00:00; the DS1307 halted, the DS3231
// with its oscillator-stop flag and 32 kHz output on.
Ds13xx::Ds13xx(Ds13xxType type, const VirtualClock &clock)
    : FType(type), FClock(clock), FRegisters(std::size_t(variant().registers)), FLastUs(clock.nowUs())
{
    FRegisters[Weekday] = 0x01;
    FRegisters[Date] = 0x01;
    FRegisters[Month] = 0x01;
    if (variant().haltBit) {
        FRegisters[Seconds] = ClockHalt;
        FRegisters[Ds1307Control] = variant().powerOnControl;
    } else {
        FRegisters[Ds3231Control] = variant().powerOnControl;
        FRegisters[Ds3231Status] = 0x88;
        storeTemperature();
    }
    FBuffer = FRegisters;
}

bool Ds13xx::counting() const { return !(variant().haltBit && (FRegisters[Seconds] & ClockHalt)); }

void Ds13xx::catchUp()
{
    const std::int64_t now = FClock.nowUs();
    const std::int64_t elapsed = now - FLastUs;
    FLastUs = now;
    if (!counting())
        return;
    FDividerUs += elapsed;
    advanceSeconds(FDividerUs / kSecondUs);
    FDividerUs %= kSecondUs;
}

void Ds13xx::advanceSeconds(std::int64_t seconds)
{
    if (seconds == 0)
        return;
    const std::int64_t total = secondsOfDay() + seconds;
    setSecondsOfDay(int(total % kSecondsPerDay));
    for (std::int64_t days = total / kSecondsPerDay; days > 0; --days)
        nextDay();
}

// The weekday counts 1..7 whatever day the user calls 1.
void Ds13xx::nextDay()
{
    const int weekday = FRegisters[Weekday] & 0x07;
    FRegisters[Weekday] = std::uint8_t(weekday >= 7 ? 1 : weekday + 1);
    int day = fromBcd(FRegisters[Date] & 0x3F) + 1;
    int month = fromBcd(FRegisters[Month] & 0x1F);
    std::uint8_t century = FRegisters[Month] & (variant().centuryBit ? Century : 0);
    if (day > daysInMonth()) {
        day = 1;
        if (++month > 12) {
            month = 1;
            int year = fromBcd(FRegisters[Year]) + 1;
            if (year > 99) {
                year = 0;
                century ^= variant().centuryBit ? Century : 0;
            }
            FRegisters[Year] = toBcd(year);
        }
    }
    FRegisters[Date] = toBcd(day);
    FRegisters[Month] = std::uint8_t(century | toBcd(month));
}

int Ds13xx::daysInMonth() const
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int month = fromBcd(FRegisters[Month] & 0x1F);
    if (month < 1 || month > 12)
        return 31;
    const bool leap = fromBcd(FRegisters[Year]) % 4 == 0;
    return kDays[month - 1] + ((month == 2 && leap) ? 1 : 0);
}

// 12 h: hours 1..12 in bits 4..0, bit 5 PM; 24 h: bits 5..0.
int Ds13xx::secondsOfDay() const
{
    const std::uint8_t hours = FRegisters[Hours];
    int hour = fromBcd(hours & 0x3F);
    if (hours & TwelveHour)
        hour = fromBcd(hours & 0x1F) % 12 + ((hours & Pm) ? 12 : 0);
    return hour * 3600 + fromBcd(FRegisters[Minutes] & 0x7F) * 60 + fromBcd(FRegisters[Seconds] & 0x7F);
}

void Ds13xx::setSecondsOfDay(int seconds)
{
    const int hour = seconds / 3600;
    FRegisters[Seconds] = std::uint8_t((FRegisters[Seconds] & ClockHalt) | toBcd(seconds % 60));
    FRegisters[Minutes] = toBcd(seconds / 60 % 60);
    if (FRegisters[Hours] & TwelveHour) {
        const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
        FRegisters[Hours] = std::uint8_t(TwelveHour | (hour >= 12 ? Pm : 0) | toBcd(hour12));
    } else {
        FRegisters[Hours] = toBcd(hour);
    }
}

std::uint8_t Ds13xx::registerValue(std::uint8_t index)
{
    catchUp();
    return FRegisters.at(index);
}

// The divider restarts on a seconds write: the first tick comes a whole
// second later. Writing CH on the DS1307 leaves the divider where it stood.
void Ds13xx::setRegister(std::uint8_t index, std::uint8_t value)
{
    catchUp();
    if (index >= FRegisters.size())
        return;
    if (index == Seconds)
        FDividerUs = 0;
    if (FType == Ds13xxType::DS3231) {
        if (index == TemperatureMsb || index == TemperatureLsb)
            return;
        if (index == Ds3231Status)
            value = mergedStatus(value);
        if (index == Ds3231Control)
            value &= std::uint8_t(~Convert);
    }
    FRegisters[index] = value;
}

// OSF and the alarm flags are cleared by writing 0 and never set by a
// write; BSY is the chip's own.
std::uint8_t Ds13xx::mergedStatus(std::uint8_t value) const
{
    const std::uint8_t old = FRegisters[Ds3231Status];
    const std::uint8_t clearOnly = OscillatorStopped | AlarmFlags;
    return std::uint8_t((old & value & clearOnly) | (value & ~(clearOnly | Busy)) | (old & Busy));
}

std::vector<std::uint8_t> Ds13xx::registers()
{
    catchUp();
    return FRegisters;
}

void Ds13xx::setRegisters(const std::vector<std::uint8_t> &values)
{
    catchUp();
    for (std::size_t i = 0; i < values.size() && i < FRegisters.size(); ++i)
        FRegisters[i] = values[i];
    if (FType == Ds13xxType::DS3231)
        storeTemperature();
}

void Ds13xx::setQuarterDegrees(int quarters)
{
    FQuarterDegrees = quarters;
    if (FType == Ds13xxType::DS3231)
        storeTemperature();
}

// Ten bits of two's complement: the integer degrees in the MSB, the
// quarters in LSB bits 7..6.
void Ds13xx::storeTemperature()
{
    const int raw = FQuarterDegrees & 0x3FF;
    FRegisters[TemperatureMsb] = std::uint8_t(raw >> 2);
    FRegisters[TemperatureLsb] = std::uint8_t((raw & 3) << 6);
}

void Ds13xx::start()
{
    FPhase = Phase::Idle;
    catchUp();
    FBuffer = FRegisters;
}

bool Ds13xx::address(std::uint8_t byte)
{
    if ((byte & 0xFE) != AddressByte)
        return false;
    FPhase = (byte & 1) ? Phase::Reading : Phase::Pointer;
    return true;
}

void Ds13xx::reset() { FPhase = Phase::Idle; }

bool Ds13xx::write(std::uint8_t byte)
{
    if (FPhase == Phase::Pointer) {
        FPointer = byte < FRegisters.size() ? byte : 0;
        FPhase = Phase::Writing;
    } else {
        setRegister(FPointer, byte);
        FPointer = std::uint8_t((FPointer + 1) % FRegisters.size());
    }
    return true;
}

// The counters come from the buffer filled at the start; the rest live.
std::uint8_t Ds13xx::read()
{
    const std::uint8_t value = FPointer < kTimeRegisters ? FBuffer[FPointer] : FRegisters[FPointer];
    FPointer = std::uint8_t((FPointer + 1) % FRegisters.size());
    return value;
}

} // namespace sim
