#pragma once
// Maxim DS1307 and DS3231 real-time clocks at device address 0xD0, after
// their data sheets. Both count BCD seconds, minutes, hours (24 h, or 12 h
// when hours bit 6 is set, bit 5 then PM), weekday 1..7, date, month and a
// two-digit year in registers 0..6; every year divisible by four is a leap
// year. A start condition copies the counters into the read buffer, so one
// read sees one instant; writing the seconds register resets the divider
// chain, so the next second comes a whole second later. The register
// pointer increments after every byte and wraps after the last register.
//   DS1307: seconds bit 7 is CH, the clock halt (set at first power, with
//   01/01/00 day 1 00:00:00); control register 7 (power-on 0x03); 56 bytes
//   of battery RAM 0x08..0x3F; the pointer wraps 0x3F -> 0x00.
//   DS3231: month bit 7 is the century, toggled when the year wraps 99 ->
//   00; alarm 1 (7..0x0A) and alarm 2 (0x0B..0x0D) are stored; control
//   0x0E (power-on 0x1C); status 0x0F (power-on 0x88) whose OSF (bit 7) and
//   alarm flags can only be cleared, BSY read-only; aging offset 0x10
//   (two's complement); temperature 0x11/0x12 read-only, a 10-bit two's
//   complement count of quarter degrees, MSB the integer part, LSB bits
//   7..6 the quarters; the pointer wraps 0x12 -> 0x00.
// Not emulated: the square-wave and 32 kHz outputs, alarm matching and the
// interrupt output, the DS3231's EOSC (it only stops the oscillator on
// battery, and the model never runs on battery), temperature conversions
// (CONV reads back 0; the temperature is what the test or the program
// sets) and the effect of the aging offset on the rate.
// A pointer written beyond the last register starts at 0 here.
// Counter values outside their range carry into the next digit at the next
// tick; the chips' behaviour there is undefined.
#include "I2cBus.h"
#include "VirtualClock.h"

#include <QString>
#include <optional>
#include <vector>

namespace sim {

enum class Ds13xxType {
    DS1307,
    DS3231
};

struct Ds13xxVariant {
    const char *name;
    int registers;   // the pointer wraps after the last
    bool haltBit;    // seconds bit 7 stops the oscillator
    bool centuryBit; // month bit 7 counts the century
    std::uint8_t powerOnControl;
};

inline constexpr Ds13xxVariant kDs13xxVariants[] = {
    {"ds1307", 0x40, true, false, 0x03}, // control 7: OUT 0, SQWE 0, RS 11
    {"ds3231", 0x13, false, true, 0x1C}, // control 0x0E: INTCN, RS2, RS1
};

const Ds13xxVariant &ds13xxVariant(Ds13xxType type);
std::optional<Ds13xxType> ds13xxTypeFromName(const QString &name);

class Ds13xx : public I2cDevice {
public:
    static constexpr std::uint8_t AddressByte = 0xD0;
    enum Register : std::uint8_t {
        Seconds = 0x00,
        Minutes = 0x01,
        Hours = 0x02,
        Weekday = 0x03,
        Date = 0x04,
        Month = 0x05,
        Year = 0x06,
        Ds1307Control = 0x07,
        Ds1307Ram = 0x08,
        Ds3231Control = 0x0E,
        Ds3231Status = 0x0F,
        Aging = 0x10,
        TemperatureMsb = 0x11,
        TemperatureLsb = 0x12,
    };
    enum Bits : std::uint8_t {
        ClockHalt = 0x80,
        TwelveHour = 0x40,
        Pm = 0x20,
        Century = 0x80,
        OscillatorStopped = 0x80,
        Busy = 0x04,
        AlarmFlags = 0x03,
        Convert = 0x20,
    };
    // A room on the bench.
    static constexpr int DefaultQuarterDegrees = 93; // 23.25 degrees C

    Ds13xx(Ds13xxType type, const VirtualClock &clock);

    Ds13xxType type() const { return FType; }
    const Ds13xxVariant &variant() const { return ds13xxVariant(FType); }
    // A register as it stands now (the clock brought up to date).
    std::uint8_t registerValue(std::uint8_t index);
    // As the bus writes it, read-only bits and clear-only flags included.
    void setRegister(std::uint8_t index, std::uint8_t value);
    // Every register as it stands now, and back (the read-only ones and
    // the divider are left alone when restoring).
    std::vector<std::uint8_t> registers();
    void setRegisters(const std::vector<std::uint8_t> &values);
    // DS3231: the temperature the sensor reports, in quarter degrees C.
    void setQuarterDegrees(int quarters);
    int quarterDegrees() const { return FQuarterDegrees; }

    void start() override;
    bool address(std::uint8_t byte) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read() override;
    void reset() override;

private:
    enum class Phase {
        Idle,
        Pointer,
        Writing,
        Reading
    };

    void catchUp();
    bool counting() const;
    void advanceSeconds(std::int64_t seconds);
    void nextDay();
    int daysInMonth() const;
    int secondsOfDay() const;
    void setSecondsOfDay(int seconds);
    std::uint8_t mergedStatus(std::uint8_t value) const;
    void storeTemperature();

    Ds13xxType FType;
    const VirtualClock &FClock;
    std::vector<std::uint8_t> FRegisters;
    std::vector<std::uint8_t> FBuffer; // what a read sees: the counters at the last start
    std::int64_t FLastUs;
    std::int64_t FDividerUs = 0; // time since the last whole second
    int FQuarterDegrees = DefaultQuarterDegrees;
    Phase FPhase = Phase::Idle;
    std::uint8_t FPointer = 0;
};

} // namespace sim
