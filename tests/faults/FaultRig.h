#pragma once
// The fault matrix's pieces: the kinds of fault a cable or a chip can throw
// at transfer k, and a bench whose chips run on a manual clock that the
// engines' waits move, so a matrix of thousands of runs takes seconds.
#include "SimBench.h"

#include <QByteArray>
#include <QString>
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

// What one operation reported: its OnActionEnd calls and their counts.
struct Outcome {
    int ends = 0;
    int bytes = -1;
};

// Transfer indexes to fault: every k up to 64, then a spread across longer
// operations up to and including T.
QList<int> faultPoints(int T);
