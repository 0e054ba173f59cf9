#include "ZqRtcDs13xx.h"

#include "ClockFields.h"
#include "I2cRegisters.h"

#include "ZqLibUSB.h"

#include <QDate>

namespace {
// wValue bit 8 asks the firmware for a write, as the PCF8583 page sends it.
constexpr int kClockRead = TZqRtcDs13xx::DeviceByte;
constexpr int kClockWrite = 0x1D0;
constexpr int kTimeRegisters = 7;
constexpr int kDs1307Registers = 8;    // time and control
constexpr int kDs3231Registers = 0x13; // everything up to the temperature
constexpr int kHoursRegister = 2;
constexpr int kDs3231Status = 0x0F;
constexpr int kDs3231Aging = 0x10;
constexpr int kDs3231TemperatureMsb = 0x11;
constexpr std::uint8_t kClockHalt = 0x80;
constexpr std::uint8_t kTwelveHour = 0x40;
constexpr std::uint8_t kPm = 0x20;
constexpr std::uint8_t kCentury = 0x80;
constexpr std::uint8_t kOscillatorStopped = 0x80;
constexpr int kFirstYear = 2000;

QString TwoHex(int byte) { return QStringLiteral("%1").arg(byte & 0xFF, 2, 16, QLatin1Char('0')); }

} // namespace

TZqRtcDs13xx::TZqRtcDs13xx(QObject *parent) : QObject(parent) {}
TZqRtcDs13xx::~TZqRtcDs13xx() = default;

void TZqRtcDs13xx::SetZqLibUSB(TZqLibUSB *link) { FLink = link; }
TZqLibUSB *TZqRtcDs13xx::ZqLibUSB() const { return FLink; }
void TZqRtcDs13xx::SetChip(TDs13xxChip chip) { FChip = chip; }
void TZqRtcDs13xx::SetHostClock(TRtcHostClock *clock) { FHostClock = clock; }

TRtcHostClock &TZqRtcDs13xx::HostClock() const
{
    return FHostClock ? *FHostClock : const_cast<TSystemHostClock &>(FSystemClock);
}

int TZqRtcDs13xx::LastYear() const { return FChip == dcDS3231 ? 2199 : 2099; }

// The chips take every fourth year for a leap year, 2100 too; 29 February
// 2100 is refused with the other days its month does not have.
std::optional<TFieldRange> TZqRtcDs13xx::OutOfRange(const TDs13xxFields &fields) const
{
    return FirstOutOfRange(fields, kFirstYear, LastYear());
}

bool TZqRtcDs13xx::Read(TDs13xxReading &reading)
{
    const int count = FChip == dcDS3231 ? kDs3231Registers : kDs1307Registers;
    if (!ReadRegisters(0, count))
        return false;
    const QByteArray r = FLink->DevBuffer.left(count);
    const auto reg = [&r](int i) { return int(std::uint8_t(r[i])); };
    const int hours = reg(kHoursRegister);
    reading.TwelveHour = hours & kTwelveHour;
    const QString clock = TwoHex(reading.TwelveHour ? hours & 0x1F : hours & 0x3F) + QLatin1Char(':') +
                          TwoHex(reg(1) & 0x7F) + QLatin1Char(':') + TwoHex(reg(0) & 0x7F);
    reading.TimeText =
        reading.TwelveHour ? clock + ((hours & kPm) ? QStringLiteral(" PM") : QStringLiteral(" AM")) : clock;
    const bool century = FChip == dcDS3231 && (reg(5) & kCentury);
    reading.DateText = (century ? QStringLiteral("21") : QStringLiteral("20")) + TwoHex(reg(6)) + QLatin1Char('-') +
                       TwoHex(reg(5) & 0x1F) + QLatin1Char('-') + TwoHex(reg(4) & 0x3F);
    reading.Halted = FChip == dcDS1307 && (reg(0) & kClockHalt);
    reading.OscillatorStopped = FChip == dcDS3231 && (reg(kDs3231Status) & kOscillatorStopped);
    if (FChip == dcDS3231) {
        reading.Aging = std::int8_t(r[kDs3231Aging]);
        reading.QuarterDegrees = std::int8_t(r[kDs3231TemperatureMsb]) * 4 + (reg(kDs3231TemperatureMsb + 1) >> 6);
    }
    return true;
}

// Seconds first: the write restarts the chip's divider on them, and CH = 0
// starts a halted DS1307.
QByteArray TZqRtcDs13xx::TimeRegisters(const TDs13xxFields &f, bool twelveHour) const
{
    std::uint8_t hours = Bcd(f.hour);
    if (twelveHour) {
        const int hour12 = f.hour % 12 == 0 ? 12 : f.hour % 12;
        hours = std::uint8_t(kTwelveHour | (f.hour >= 12 ? kPm : 0) | Bcd(hour12));
    }
    const QDate date(f.year, f.month, f.day);
    const std::uint8_t century = FChip == dcDS3231 && f.year >= 2100 ? kCentury : 0;
    const char bytes[kTimeRegisters] = {char(Bcd(f.second)),    char(Bcd(f.minute)), char(hours),
                                        char(date.dayOfWeek()), char(Bcd(f.day)),    char(century | Bcd(f.month)),
                                        char(Bcd(f.year % 100))};
    return QByteArray(bytes, kTimeRegisters);
}

// The status is read with the hours so that writing OSF back as 0 leaves
// the alarm flags as they stand (a 1 written to them changes nothing).
bool TZqRtcDs13xx::WriteTime(const TDs13xxFields &fields)
{
    if (OutOfRange(fields))
        return false;
    const int count = FChip == dcDS3231 ? kDs3231Status + 1 : kHoursRegister + 1;
    if (!ReadRegisters(0, count))
        return false;
    const std::uint8_t hours = std::uint8_t(FLink->DevBuffer[kHoursRegister]);
    const std::uint8_t status = std::uint8_t(FLink->DevBuffer[count - 1]);
    if (!WriteRegisters(0, TimeRegisters(fields, hours & kTwelveHour)))
        return false;
    if (FChip != dcDS3231)
        return true;
    return WriteRegisters(kDs3231Status, QByteArray(1, char(status & ~kOscillatorStopped)));
}

bool TZqRtcDs13xx::WriteHostTime()
{
    const QDateTime now = HostClock().Now();
    const int msec = now.time().msec();
    const QDateTime second = now.addMSecs(msec ? 1000 - msec : 0);
    HostClock().WaitMs(msec ? 1000 - msec : 0);
    const QDate d = second.date();
    const QTime t = second.time();
    return WriteTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
}

// Writing the seconds restarts the divider: the running second starts over.
bool TZqRtcDs13xx::StartClock()
{
    if (FChip != dcDS1307 || !ReadRegisters(0, 1))
        return false;
    const char seconds = char(FLink->DevBuffer[0] & ~kClockHalt);
    return WriteRegisters(0, QByteArray(1, seconds));
}

bool TZqRtcDs13xx::SetAging(int offset)
{
    if (FChip != dcDS3231 || offset < MinAging || offset > MaxAging)
        return false;
    return WriteRegisters(kDs3231Aging, QByteArray(1, char(std::int8_t(offset))));
}

bool TZqRtcDs13xx::ReadRegisters(int index, int count) { return I2cReadRegisters(FLink, kClockRead, index, count); }

bool TZqRtcDs13xx::WriteRegisters(int index, const QByteArray &bytes)
{
    return I2cWriteRegisters(FLink, kClockWrite, index, bytes);
}
