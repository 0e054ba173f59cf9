#include "FaultRig.h"

#include <QCoreApplication>

const FaultKindRow kFaultKinds[4] = {
    {FaultKind::Pulled, "adapter pulled"},
    {FaultKind::Failed, "transfer failed"},
    {FaultKind::TimedOut, "transfer timed out"},
    {FaultKind::ChipSilent, "chip not answering"},
};

void armFault(SimBench &bench, FaultKind kind, int k) { armFault(bench.simulator(), kind, k); }

void armFault(sim::Simulator &simulator, FaultKind kind, int k)
{
    sim::VirtualAdapter &adapter = *simulator.adapter();
    switch (kind) {
    case FaultKind::Pulled:
        if (k <= 1) {
            simulator.pull(&adapter);
            QCoreApplication::processEvents();
        } else {
            adapter.pullAfterTransfers(k - 1);
        }
        break;
    case FaultKind::Failed:
        adapter.afterTransfers(k - 1, [](sim::VirtualAdapter &a) { a.failNextTransfers(1); });
        break;
    case FaultKind::TimedOut:
        adapter.afterTransfers(k - 1, [](sim::VirtualAdapter &a) { a.timeOutNextTransfers(1); });
        break;
    case FaultKind::ChipSilent:
        adapter.silenceChipsAfterTransfers(k - 1);
        break;
    }
}

QList<int> faultPoints(int T)
{
    constexpr int kEvery = 64;
    constexpr int kSpread = 12;
    QList<int> points;
    for (int k = 1; k <= kEvery; ++k)
        points << k;
    for (int i = 1; i <= kSpread && T > kEvery; ++i) {
        const int k = kEvery + int(qint64(T - kEvery) * i / kSpread);
        if (k > points.last())
            points << k;
    }
    return points;
}

QString runProblem(SimBench &bench, const QElapsedTimer &timer)
{
    if (timer.elapsed() >= kRunBoundMs)
        return QStringLiteral("took too long");
    const bool plugged = bench.simulator().adapter()->isPlugged();
    if (bench.connected() != plugged)
        return QStringLiteral("the link says %1, the adapter is %2")
            .arg(bench.connected() ? "connected" : "not connected", plugged ? "plugged" : "pulled");
    return {};
}

bool plugAgain(SimBench &bench)
{
    if (!bench.simulator().adapter()->isPlugged())
        bench.replug();
    bench.firmware().setChipsConnected(true);
    return bench.connected();
}

void FaultMatrix::sweep(const QString &operation, int transfers, const FaultedRun &run)
{
    ++FOperations;
    const QList<int> points = faultPoints(transfers);
    int unreachable = 0;
    for (const FaultKindRow &kind : kFaultKinds) {
        for (int k : points) {
            if (k > transfers) {
                ++unreachable;
                continue;
            }
            run(kind, k, QStringLiteral("%1 at transfer %2 of %3").arg(kind.name).arg(k).arg(transfers));
            if (QTest::currentTestFailed())
                return;
            ++FTried;
        }
    }
    FUnreachable += unreachable;
    if (unreachable > 0)
        qInfo("%s: T = %d transfers, %d fault points beyond T not reachable (%d points x %d kinds)",
              qPrintable(operation), transfers, unreachable, unreachable / int(std::size(kFaultKinds)),
              int(std::size(kFaultKinds)));
}

void FaultMatrix::report(const QString &also) const
{
    qInfo("%s: %d operations, %lld runs with a fault (operation x fault point x fault kind)%s; "
          "%lld points beyond an operation's end reported",
          FTitle, FOperations, FTried, qPrintable(also), FUnreachable);
}
