#pragma once
// What an engine tells the outside: its events in order and what it hands to
// the hex view; plus the requests the virtual adapter saw, in a short form.
#include "HexSink.h"
#include "SimBench.h"
#include "ZqEEPROMCommon.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QtTest>

// A hex view stand-in that keeps every hand-off.
class RecordingView : public QObject, public THexSink {
    Q_OBJECT
    Q_INTERFACES(THexSink)
public:
    struct Shown {
        QByteArray bytes;
        int start;
    };
    QList<Shown> shown;

    void ShowHex(const QByteArray &buffer, int bytes_cnt, int start_address) override
    {
        shown.append({buffer.left(bytes_cnt), start_address});
    }
};

struct ActionEnd {
    TEepromAction action;
    int bytes;
    bool operator==(const ActionEnd &o) const { return action == o.action && bytes == o.bytes; }
};
QT_BEGIN_NAMESPACE
inline char *toString(const ActionEnd &e)
{
    return QTest::toString(QStringLiteral("(action %1, %2 bytes)").arg(e.action).arg(e.bytes));
}
QT_END_NAMESPACE

struct EngineProbe {
    QList<int> progress;
    QList<TEepromAction> progressActions;
    QList<ActionEnd> ends;
    RecordingView view;

    void attach(TZqEEPROMBase &engine)
    {
        engine.SetZqHexView(&view);
        engine.OnProgress = [this, &engine](QObject *sender, TEepromAction action, int percent) {
            QCOMPARE(sender, &engine);
            progress << percent;
            progressActions << action;
        };
        engine.OnActionEnd = [this, &engine](QObject *sender, TEepromAction action, int bytes) {
            QCOMPARE(sender, &engine);
            ends << ActionEnd{action, bytes};
        };
    }
    bool silent() const { return progress.isEmpty() && ends.isEmpty() && view.shown.isEmpty(); }
};

// One request as "150 v=0008 i=0000 l=1": request, wValue and wIndex in hex, wLength.
QString requestLine(int request, int value, int index, int length);
QString shortForm(const sim::TransferRecord &r);
// Every request the adapter saw since the log was last cleared.
QStringList requestLog(SimBench &bench);
// The same with each run of equal requests written once; polls of a busy
// chip then read as one line, however long the chip took.
QStringList requestLogRunsFolded(SimBench &bench);
// Bytes with something different in each, so a lost or shifted byte shows.
QByteArray pattern(int n, int seed = 0);
