#include "RtcHostClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

QDateTime TSystemHostClock::Now() const { return QDateTime::currentDateTime(); }

void TSystemHostClock::WaitMs(int msec)
{
    QCoreApplication::processEvents();
    if (msec <= 0)
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer); // a coarse timer may fire up to 5 % early
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(msec);
    loop.exec();
}
