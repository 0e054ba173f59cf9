#include "CliSession.h"

#include "AdapterChoice.h"
#include "CliProgress.h"
#include "Simulator.h"
#include "ZqLibUSB.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace {
const char kUdevHint[] =
    "the adapter is there but this user may not open it: install the udev rule 70-rzt-usbasp.rules "
    "(in /etc/udev/rules.d), then plug the adapter in again";
constexpr int kWaitPollMs = 100;
} // namespace

CliSession::CliSession(const CliOptions &options) : FOptions(options) {}

CliSession::~CliSession()
{
    delete FLink;
}

void CliSession::Error(const QString &text)
{
    CliProgress::EndShownLine();
    std::fprintf(stderr, "brindle-cli: %s\n", qPrintable(text));
}

void CliSession::Note(const QString &text) const
{
    CliProgress::EndShownLine();
    if (!FOptions.quiet)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

void CliSession::Step(const QString &text) const
{
    if (FOptions.Verbosity > 0)
        Note(text);
}

TZqLibUSB *CliSession::Link()
{
    if (FLink)
        return FLink->Connected() ? FLink : nullptr;
    Step(FOptions.simulator ? QStringLiteral("starting the virtual adapter")
                            : QStringLiteral("looking for the RZT-USBasp adapter (USB 16c0:05dc)"));
    FAdapter = std::make_unique<AdapterChoice>(FOptions.simulator, FOptions.simulatorOptions);
    if (!FAdapter->isValid()) {
        Error(FAdapter->error());
        return nullptr;
    }
    if (sim::Simulator *simulator = FAdapter->simulator(); simulator && !simulator->stateMessage().isEmpty())
        Error(simulator->stateMessage());
    FLink = new TZqLibUSB(nullptr, FAdapter->backend());
    FLink->OnAccessDenied = [this](QObject *) { FAccessDenied = true; };
    FLink->Loaded();
    // Arrival notices come through the event loop, so the wait runs one.
    if (!FLink->Connected() && FOptions.waitSeconds > 0)
        Step(QStringLiteral("waiting up to %1 s for the adapter").arg(FOptions.waitSeconds));
    const QDeadlineTimer deadline(qint64(FOptions.waitSeconds) * 1000);
    while (!FLink->Connected() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(kWaitPollMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (FLink->Connected()) {
        Step(QStringLiteral("adapter connected, firmware release %1").arg(FLink->DeviceVersion()));
        return FLink;
    }
    Error(FAccessDenied ? QString::fromLatin1(kUdevHint) : QStringLiteral("no RZT-USBasp adapter found"));
    return nullptr;
}

bool CliSession::Finish()
{
    sim::Simulator *simulator = FAdapter ? FAdapter->simulator() : nullptr;
    QString error;
    if (simulator && !simulator->saveState(error)) {
        Error(error);
        return false;
    }
    return true;
}

bool IntOption(const CliOptions &options, const QString &name, int min, int max, int &value)
{
    if (!options.has(name))
        return true;
    bool ok = false;
    const QString text = options.value(name);
    const int given = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toInt(&ok, 16)
                                                                                : text.toInt(&ok, 10);
    if (!ok || given < min || given > max) {
        CliSession::Error(QStringLiteral("--%1 must be a number from %2 to %3, not '%4'").arg(name).arg(min).arg(max).arg(text));
        return false;
    }
    value = given;
    return true;
}
