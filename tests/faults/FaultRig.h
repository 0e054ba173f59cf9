#pragma once
// The fault matrix's pieces: the kinds of fault a cable or a chip can throw
// at transfer k, a bench whose chips run on a manual clock that the
// engines' waits move, so a matrix of thousands of runs takes seconds, and
// the sweep and tally every matrix file shares.
#include "SimBench.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTest>
#include <functional>

enum class FaultKind {
    Pulled,     // the adapter leaves the bus before transfer k
    Failed,     // transfer k fails (-EPROTO)
    TimedOut,   // transfer k times out
    ChipSilent, // the chips fall off the buses before transfer k
};

struct FaultKindRow {
    FaultKind kind;
    const char *name;
};
extern const FaultKindRow kFaultKinds[4];

// Arms fault to hit transfer k (1-based) of what runs next.
void armFault(SimBench &bench, FaultKind kind, int k);
void armFault(sim::Simulator &simulator, FaultKind kind, int k);

// What one operation reported: its OnActionEnd calls and their counts.
struct Outcome {
    int ends = 0;
    int bytes = -1;
};

// Transfer indexes to fault: every k up to 64, then a spread across longer
// operations up to and including T.
QList<int> faultPoints(int T);

// A faulted run that takes longer than this has hung.
constexpr qint64 kRunBoundMs = 10000;

// After a faulted run: empty when it ended in time and the link says what
// the adapter is; otherwise what went wrong.
QString runProblem(SimBench &bench, const QElapsedTimer &timer);
// The user plugs the adapter in again (if it was pulled) and reseats the
// chips; true when the link is up again.
bool plugAgain(SimBench &bench);

// Runs each operation of a matrix file under every fault kind at every fault
// point, says which points lie beyond an operation's end, and adds it all up.
class FaultMatrix {
public:
    explicit FaultMatrix(const char *title) : FTitle(title) {}

    // One data row per operation, named as it is, carrying its index.
    template <typename Operations>
    static void addRows(const Operations &operations)
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(operations.size()); ++i)
            QTest::newRow(qPrintable(operations[i].name)) << i;
    }

    // run(kind, k, where) for each kind at each fault point k <= transfers;
    // stops at the first run whose checks failed.
    using FaultedRun = std::function<void(const FaultKindRow &kind, int k, const QString &where)>;
    void sweep(const QString &operation, int transfers, const FaultedRun &run);
    // The file's totals; also is added after the count of runs.
    void report(const QString &also = {}) const;

private:
    const char *FTitle;
    qint64 FTried = 0;
    qint64 FUnreachable = 0;
    int FOperations = 0;
};
