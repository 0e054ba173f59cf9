#include "Pcf8583.h"

namespace sim {
namespace {
constexpr std::int64_t kHundredthUs = 10000;
constexpr int kSecondsPerDay = 86400;
constexpr int kDaysPerFourYears = 4 * 365 + 1;

int fromBcd(std::uint8_t bcd) { return (bcd >> 4) * 10 + (bcd & 0x0F); }
std::uint8_t toBcd(int value) { return std::uint8_t((value / 10) << 4 | value % 10); }
} // namespace

// Reset state of the data sheet: control 00, date 1, month 1, all else 0.
Pcf8583::Pcf8583(const VirtualClock &clock, bool a0Pin)
    : FClock(clock), FAddressByte(a0Pin ? 0xA2 : 0xA0), FLastUs(clock.nowUs())
{
    FRegisters[YearDate] = 0x01;
    FRegisters[WeekdayMonth] = 0x01;
}

bool Pcf8583::counting() const
{
    return !(FRegisters[Control] & StopCounting) && (FRegisters[Control] & FunctionMode) == 0;
}

void Pcf8583::catchUp()
{
    const std::int64_t now = FClock.nowUs();
    const std::int64_t elapsed = now - FLastUs;
    FLastUs = now;
    if (!counting())
        return;
    FPrescalerUs += elapsed;
    advanceHundredths(FPrescalerUs / kHundredthUs);
    FPrescalerUs %= kHundredthUs;
}

void Pcf8583::advanceHundredths(std::int64_t ticks)
{
    const std::int64_t total = fromBcd(FRegisters[Hundredths]) + ticks;
    FRegisters[Hundredths] = toBcd(int(total % 100));
    if (total >= 100)
        advanceSeconds(total / 100);
}

void Pcf8583::advanceSeconds(std::int64_t seconds)
{
    const std::int64_t total = secondsOfDay() + seconds;
    setSecondsOfDay(int(total % kSecondsPerDay));
    advanceDays(total / kSecondsPerDay);
}

// Four calendar years are 1461 days whatever the starting date, as exactly
// one of them is year 0; whole cycles only move the weekday.
void Pcf8583::advanceDays(std::int64_t days)
{
    const int weekday = (FRegisters[WeekdayMonth] >> 5) % 7;
    const int newWeekday = int((weekday + days) % 7);
    FRegisters[WeekdayMonth] = std::uint8_t((FRegisters[WeekdayMonth] & 0x1F) | newWeekday << 5);
    for (std::int64_t i = days % kDaysPerFourYears; i > 0; --i)
        nextDay();
}

void Pcf8583::nextDay()
{
    int day = fromBcd(FRegisters[YearDate] & 0x3F) + 1;
    int month = fromBcd(FRegisters[WeekdayMonth] & 0x1F);
    int year = FRegisters[YearDate] >> 6;
    if (day > daysInMonth()) {
        day = 1;
        if (++month > 12) {
            month = 1;
            year = (year + 1) & 3;
        }
    }
    FRegisters[YearDate] = std::uint8_t(year << 6 | toBcd(day));
    FRegisters[WeekdayMonth] = std::uint8_t((FRegisters[WeekdayMonth] & 0xE0) | toBcd(month));
}

int Pcf8583::daysInMonth() const
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int month = fromBcd(FRegisters[WeekdayMonth] & 0x1F);
    if (month < 1 || month > 12)
        return 31;
    const bool leap = (FRegisters[YearDate] >> 6) == 0;
    return kDays[month - 1] + ((month == 2 && leap) ? 1 : 0);
}

// Hours register: bit 7 selects 12 h format, bit 6 is PM there; in 24 h
// format bit 6 is left as it was.
int Pcf8583::secondsOfDay() const
{
    const std::uint8_t hours = FRegisters[Hours];
    int hour = fromBcd(hours & 0x3F);
    if (hours & 0x80)
        hour = fromBcd(hours & 0x1F) % 12 + ((hours & 0x40) ? 12 : 0);
    return hour * 3600 + fromBcd(FRegisters[Minutes]) * 60 + fromBcd(FRegisters[Seconds]);
}

void Pcf8583::setSecondsOfDay(int seconds)
{
    const int hour = seconds / 3600;
    FRegisters[Seconds] = toBcd(seconds % 60);
    FRegisters[Minutes] = toBcd(seconds / 60 % 60);
    if (FRegisters[Hours] & 0x80) {
        const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
        FRegisters[Hours] = std::uint8_t(0x80 | (hour >= 12 ? 0x40 : 0) | toBcd(hour12));
    } else {
        FRegisters[Hours] = std::uint8_t((FRegisters[Hours] & 0x40) | toBcd(hour));
    }
}

std::uint8_t Pcf8583::registerValue(std::uint8_t index)
{
    catchUp();
    return FRegisters[index];
}

// Setting the stop bit resets the divider, so counting restarts on a whole
// hundredth when it is cleared.
void Pcf8583::setRegister(std::uint8_t index, std::uint8_t value)
{
    catchUp();
    FRegisters[index] = value;
    if (index == Control && !counting())
        FPrescalerUs = 0;
}

void Pcf8583::setTime(const Time &time)
{
    catchUp();
    FRegisters[Hundredths] = toBcd(time.hundredths);
    FRegisters[Seconds] = toBcd(time.second);
    FRegisters[Minutes] = toBcd(time.minute);
    FRegisters[Hours] = toBcd(time.hour);
    FRegisters[YearDate] = std::uint8_t((time.yearCounter & 3) << 6 | toBcd(time.day));
    FRegisters[WeekdayMonth] = std::uint8_t((time.weekday % 7) << 5 | toBcd(time.month));
    FPrescalerUs = 0;
}

Pcf8583::Time Pcf8583::time()
{
    catchUp();
    const int seconds = secondsOfDay();
    return {FRegisters[YearDate] >> 6,
            fromBcd(FRegisters[WeekdayMonth] & 0x1F),
            fromBcd(FRegisters[YearDate] & 0x3F),
            FRegisters[WeekdayMonth] >> 5,
            seconds / 3600,
            seconds / 60 % 60,
            seconds % 60,
            fromBcd(FRegisters[Hundredths])};
}

std::uint8_t Pcf8583::readMasked(std::uint8_t index) const
{
    const bool masked = FRegisters[Control] & MaskFlag;
    if (masked && index == YearDate)
        return FRegisters[index] & 0x3F;
    if (masked && index == WeekdayMonth)
        return FRegisters[index] & 0x1F;
    return FRegisters[index];
}

void Pcf8583::start() { FPhase = Phase::Idle; }

bool Pcf8583::address(std::uint8_t byte)
{
    if ((byte & 0xFE) != FAddressByte)
        return false;
    FPhase = (byte & 1) ? Phase::Reading : Phase::WordAddress;
    return true;
}

bool Pcf8583::write(std::uint8_t byte)
{
    if (FPhase == Phase::WordAddress) {
        FPointer = byte;
        FPhase = Phase::Writing;
    } else {
        setRegister(FPointer++, byte);
    }
    return true;
}

std::uint8_t Pcf8583::read()
{
    catchUp();
    return readMasked(FPointer++);
}

void Pcf8583::reset() { FPhase = Phase::Idle; }

} // namespace sim
