#include "FaultRig.h"

const FaultKindRow kFaultKinds[4] = {
    {FaultKind::Pulled, "adapter pulled"},
    {FaultKind::Failed, "transfer failed"},
    {FaultKind::TimedOut, "transfer timed out"},
    {FaultKind::ChipSilent, "chip not answering"},
};

void armFault(SimBench &bench, FaultKind kind, int k)
{
    sim::VirtualAdapter &adapter = *bench.simulator().adapter();
    switch (kind) {
    case FaultKind::Pulled:
        if (k <= 1)
            bench.pull();
        else
            adapter.pullAfterTransfers(k - 1);
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
