#pragma once
// The DS1307 and DS3231 clocks at device byte 0xD0, through the device link
// with requests 104 (read from a register) and 103 (write from a register).
// One poll is one read: registers 0..7 of the DS1307, 0..0x12 of the DS3231.
// The weekday register is written 1 = Monday .. 7 = Sunday.
#include "ClockFields.h"
#include "RtcHostClock.h"

#include <QObject>
#include <QPointer>
#include <QString>

class TZqLibUSB;

enum TDs13xxChip {
    dcDS1307,
    dcDS3231
};

// What one poll found, the digits as the chip holds them.
struct TDs13xxReading {
    QString TimeText; // "HH:MM:SS", or "hh:MM:SS AM|PM" when the chip counts 12 h
    QString DateText; // "YYYY-MM-DD"
    bool TwelveHour = false;
    bool Halted = false;            // DS1307: CH set, the oscillator stands
    bool OscillatorStopped = false; // DS3231: OSF set, the time is not to be trusted
    int QuarterDegrees = 0;         // DS3231 temperature
    int Aging = 0;                  // DS3231 aging offset
};

class TZqRtcDs13xx : public QObject {
    Q_OBJECT
public:
    static constexpr int DeviceByte = 0xD0;
    static constexpr int MinAging = -128;
    static constexpr int MaxAging = 127;

    explicit TZqRtcDs13xx(QObject *parent = nullptr);
    ~TZqRtcDs13xx() override;

    void SetZqLibUSB(TZqLibUSB *link);
    TZqLibUSB *ZqLibUSB() const;
    void SetChip(TDs13xxChip chip);
    TDs13xxChip Chip() const { return FChip; }
    // Not owned; null: the system's clock.
    void SetHostClock(TRtcHostClock *clock);
    TRtcHostClock &HostClock() const;

    // The years the chip can hold: 2000..2099, the DS3231 with its century bit to 2199.
    int LastYear() const;
    // None when the fields make a real date and time the chip can hold, else the first one wrong.
    std::optional<TFieldRange> OutOfRange(const TDs13xxFields &fields) const;

    // False when the chip does not answer.
    bool Read(TDs13xxReading &reading);
    // Writes the time (and starts a halted DS1307, clears the DS3231's
    // OSF), keeping the 12/24 h form the chip counts in. Writes nothing and
    // returns false when the fields are bad or the chip cannot be read first.
    bool WriteTime(const TDs13xxFields &fields);
    // Waits for the computer's next whole second, then writes that second,
    // so the chip's divider restarts in step with the computer.
    bool WriteHostTime();
    // DS1307: clears CH, keeping the seconds.
    bool StartClock();
    // DS3231: MinAging..MaxAging.
    bool SetAging(int offset);

private:
    bool ReadRegisters(int index, int count);
    bool WriteRegisters(int index, const QByteArray &bytes);
    QByteArray TimeRegisters(const TDs13xxFields &fields, bool twelveHour) const;

    QPointer<TZqLibUSB> FLink;
    TDs13xxChip FChip = dcDS3231;
    TRtcHostClock *FHostClock = nullptr;
    TSystemHostClock FSystemClock;
};
