#include "ZqRtcPcf8583.h"

#include "ClockFields.h"
#include "I2cRegisters.h"
#include "ZqLibUSB.h"

#include <QDate>

namespace {
// wValue bit 8 asks the firmware for a write.
constexpr int kClockRead = TZqRtcPcf8583::DeviceByte;
constexpr int kClockWrite = 0x1A2;
constexpr int kSecondsRegister = 2;
constexpr int kTimerRegister = 7;
constexpr int kBaseYearRam = 16;
constexpr int kBaseYearBytes = 3;
// Marks the counter byte, so RAM someone else filled is not taken for it.
constexpr std::uint8_t kCounterMark = 0xB0;
constexpr std::uint8_t kCounterMarkMask = 0xFC;

QString TwoHex(char byte) { return QStringLiteral("%1").arg(std::uint8_t(byte), 2, 16, QLatin1Char('0')); }


QByteArray BaseYearBytes(int base, int counter)
{
    const char bytes[] = {char(base >> 8), char(base & 0xFF), char(kCounterMark | counter)};
    return QByteArray(bytes, sizeof bytes);
}
} // namespace

TZqRtcPcf8583::TZqRtcPcf8583(QObject *parent) : QObject(parent) {}

void TZqRtcPcf8583::SetZqLibUSB(TZqLibUSB *link) { FLink = link; }

// The kept year has four digits.
std::optional<TFieldRange> TZqRtcPcf8583::OutOfRange(const TDs13xxFields &fields)
{
    return FirstOutOfRange(fields, 1, 9999);
}

bool TZqRtcPcf8583::Read(TPcf8583Reading &reading)
{
    reading = {};
    if (!ReadRegisters(kSecondsRegister, 6))
        return false;
    const QByteArray r = FLink->DevBuffer.left(6);
    reading.TimeText = TwoHex(r[2]) + QLatin1Char(':') + TwoHex(r[1]) + QLatin1Char(':') + TwoHex(r[0]);
    const int year = KeptYear(std::uint8_t(r[3]) >> 6);
    if (year < 0)
        return false;
    reading.DateText =
        QString::number(year) + QLatin1Char('-') + TwoHex(char(r[4] & 0x1F)) + QLatin1Char('-') + TwoHex(char(r[3] & 0x3F));
    return true;
}

// -1 when the RAM cannot be read, or the year moved on cannot be kept: a
// reading shown while the chip still holds the old base would turn into a
// wrong year at the next wrap.
int TZqRtcPcf8583::KeptYear(int yearCounter)
{
    if (!ReadRegisters(kBaseYearRam, kBaseYearBytes))
        return -1;
    const QByteArray &r = FLink->DevBuffer;
    int base = std::uint8_t(r[0]) << 8 | std::uint8_t(r[1]);
    const std::uint8_t kept = std::uint8_t(r[2]);
    const bool marked = (kept & kCounterMarkMask) == kCounterMark;
    if (!marked || (kept & 3) != yearCounter) {
        if (marked && yearCounter < (kept & 3))
            base = (base + 4) & 0xFFFF;
        if (!WriteRegisters(kBaseYearRam, BaseYearBytes(base, yearCounter)))
            return -1;
    }
    return (base + yearCounter) & 0xFFFF;
}

bool TZqRtcPcf8583::WriteTime(const TDs13xxFields &f)
{
    if (!ReadRegisters(kTimerRegister, 1))
        return false;
    const char timer = FLink->DevBuffer[0];
    const int counter = f.year & 3;
    const char block[] = {char(Bcd(f.second)),           char(Bcd(f.minute)), char(Bcd(f.hour)),
                          char(Bcd(f.day) | counter << 6), char(Bcd(f.month)),  timer};
    return WriteRegisters(kSecondsRegister, QByteArray(block, sizeof block)) &&
           WriteRegisters(kBaseYearRam, BaseYearBytes(f.year - counter, counter));
}

bool TZqRtcPcf8583::ReadRegisters(int index, int count) { return I2cReadRegisters(FLink, kClockRead, index, count); }

bool TZqRtcPcf8583::WriteRegisters(int index, const QByteArray &bytes)
{
    return I2cWriteRegisters(FLink, kClockWrite, index, bytes);
}
