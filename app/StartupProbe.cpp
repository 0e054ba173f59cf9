#include "StartupProbe.h"

#include "FirstPaint.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {
long PeakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}
} // namespace

void InstallStartupProbe(QWidget *window)
{
    if (qEnvironmentVariableIntValue("BRINDLE_STARTUP_PROBE") != 1)
        return;
    OnFirstPaint(window, [] {
        std::printf("first-paint %ld\n", PeakResidentKb());
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
}
