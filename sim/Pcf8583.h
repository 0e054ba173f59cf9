#pragma once
// NXP PCF8583 clock/calendar with 240 bytes of RAM, at device address 0xA0
// or 0xA2 (pin A0). Emulated: the clock mode on the 32.768 kHz crystal,
// counting hundredths, seconds, minutes, hours (24 h or 12 h format), day,
// month, weekday (0..6) and the year counter 0..3 in register 5 bits 7..6,
// which wraps 3 -> 0 at New Year; February has 29 days in year 0. The stop
// bit (control bit 7) halts counting and clears the prescaler; the mask bit
// (control bit 3) hides year and weekday when registers 5 and 6 are read.
// The word address register increments after every byte read or written and
// wraps 0xFF -> 0x00. Registers 0x10..0xFF are free RAM; alarm registers
// 0x08..0x0F and the timer register 0x07 are plain storage.
// Not emulated: the 50 Hz and event-counter modes (they stop the clock
// here), hold-last-count, alarms, the timer and the interrupt output.
// Counter values outside their range (a written 75 seconds) carry into the
// next digit at the next tick; the chip's behaviour there is undefined.
// The time runs on the injected VirtualClock, battery-backed: a reset of the
// bus keeps time and RAM.
#include "I2cBus.h"
#include "VirtualClock.h"

#include <array>

namespace sim {

class Pcf8583 : public I2cDevice {
public:
    enum Register : std::uint8_t {
        Control = 0x00,
        Hundredths = 0x01,
        Seconds = 0x02,
        Minutes = 0x03,
        Hours = 0x04,
        YearDate = 0x05,
        WeekdayMonth = 0x06,
        Timer = 0x07,
        FreeRam = 0x10,
    };
    enum ControlBits : std::uint8_t {
        StopCounting = 0x80,
        FunctionMode = 0x30,
        MaskFlag = 0x08
    };

    // Calendar values as plain numbers; yearCounter is 0..3, weekday 0..6.
    struct Time {
        int yearCounter = 0;
        int month = 1;
        int day = 1;
        int weekday = 0;
        int hour = 0;
        int minute = 0;
        int second = 0;
        int hundredths = 0;
    };

    explicit Pcf8583(const VirtualClock &clock, bool a0Pin = true);

    std::uint8_t addressByte() const { return FAddressByte; }
    // A register as it stands now (the clock brought up to date, no masking).
    std::uint8_t registerValue(std::uint8_t index);
    void setRegister(std::uint8_t index, std::uint8_t value);
    // Sets the counters in 24 h format and clears the prescaler.
    void setTime(const Time &time);
    // The counters now, the hour in 24 h form whatever format the chip keeps.
    Time time();

    void start() override;
    bool address(std::uint8_t byte) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read() override;
    void reset() override;

private:
    enum class Phase {
        Idle,
        WordAddress,
        Writing,
        Reading
    };

    void catchUp();
    bool counting() const;
    void advanceHundredths(std::int64_t ticks);
    void advanceSeconds(std::int64_t seconds);
    void advanceDays(std::int64_t days);
    void nextDay();
    int daysInMonth() const;
    int secondsOfDay() const;
    void setSecondsOfDay(int seconds);
    std::uint8_t readMasked(std::uint8_t index) const;

    const VirtualClock &FClock;
    std::uint8_t FAddressByte;
    std::array<std::uint8_t, 256> FRegisters{};
    std::int64_t FLastUs;
    std::int64_t FPrescalerUs = 0; // time since the last hundredth
    Phase FPhase = Phase::Idle;
    std::uint8_t FPointer = 0;
};

} // namespace sim
