#include "ZqEEPROMCommon.h"

#include "HexSink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace {
constexpr qint64 kLastStretchNs = 1000000;
} // namespace

void WaitWithMessages(int ms)
{
    ms = qMax(ms, 0);
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    QCoreApplication::processEvents();
    // The deadline decides, not the timer: a long event may hold the loop
    // past it, or a wake-up come before it.
    // The remaining time is read once per round: read twice, the second
    // reading can fall below the stretch, and a negative interval starts no
    // timer, leaving the loop without a wake-up.
    for (qint64 left = deadline.remainingTimeNSecs(); left > kLastStretchNs; left = deadline.remainingTimeNSecs()) {
        QEventLoop loop;
        QTimer::singleShot(int((left - kLastStretchNs) / 1000000), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // A timer wakes up late by a fraction of a millisecond; the last stretch
    // is slept out exactly instead, too short for the window to notice.
    std::this_thread::sleep_for(std::chrono::nanoseconds(std::max<qint64>(deadline.remainingTimeNSecs() - 100000, 0)));
    while (!deadline.hasExpired())
        std::this_thread::yield();
}

// Of two exact integers the double quotient is a half only when the true
// one is, so nearbyint rounds exactly as on paper.
int ProgressPercent(qint64 done, qint64 total)
{
    if (total <= 0)
        return 100;
    return int(std::nearbyint(double(done) * 100.0 / double(total)));
}

TZqEEPROMBase::TZqEEPROMBase(QObject *AOwner, int bytes) : QObject(AOwner), FEEPROM_BUF(bytes, '\0'), FEEMBytes(bytes)
{
}

// A call that does not start did nothing: a count left from the call before
// would let a caller take a write that never ran for done.
bool TZqEEPROMBase::BeginOperation()
{
    if (!Online() || FBusy) {
        FLastActionBytes = 0;
        return false;
    }
    FBusy = true;
    return true;
}

void TZqEEPROMBase::DoProgress(TEepromAction action, int percent)
{
    if (OnProgress)
        OnProgress(this, action, percent);
}

void TZqEEPROMBase::DoActionEnd(TEepromAction action, int bytes, int start)
{
    // A read that brought nothing leaves the view as it was.
    if (action == eaRead && bytes > 0) {
        FLastRead = ChipImage();
        for (int i = 0; i < bytes; ++i)
            FLastRead.set(std::uint32_t(start + i), std::uint8_t(FEEPROM_BUF[i]));
        if (auto *view = qobject_cast<THexSink *>(FZqHexView.data()))
            view->ShowHex(FEEPROM_BUF, bytes, start);
    }
    FBusy = false;
    FLastActionBytes = bytes;
    ApplyType();
    if (OnActionEnd)
        OnActionEnd(this, action, bytes);
}
