#pragma once
// The computer's clock as the clock engines see it: the local time now, and
// a wait. The program uses the system's; tests give one they move by hand.
#include <QDateTime>

class TRtcHostClock {
public:
    virtual ~TRtcHostClock() = default;
    virtual QDateTime Now() const = 0;
    // Keeps processing events, never spins a core; processes them at least
    // once, also for 0 ms.
    virtual void WaitMs(int msec) = 0;
};

class TSystemHostClock : public TRtcHostClock {
public:
    QDateTime Now() const override;
    void WaitMs(int msec) override;
};
