// What the engines share: the wait that keeps the window alive and the
// percentage rule.
#include "ZqEEPROMCommon.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <ctime>

namespace {
// CPU time of this thread, in milliseconds.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}
} // namespace

class TestCommon : public QObject {
    Q_OBJECT

private slots:
    // Events already waiting run even when there is no time to wait.
    void zeroWaitStillProcessesEvents()
    {
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&ran] { ran = true; }, Qt::QueuedConnection);
        WaitWithMessages(0);
        QVERIFY(ran);
    }

    // The whole time passes; timers fire meanwhile; the core mostly sleeps.
    void waitRunsTheEventLoopWithoutSpinning()
    {
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
        timer.start(5);
        QElapsedTimer wall;
        wall.start();
        const double cpuBefore = threadCpuMs();
        WaitWithMessages(100);
        const qint64 elapsed = wall.elapsed();
        const double cpu = threadCpuMs() - cpuBefore;
        QVERIFY2(elapsed >= 100, qPrintable(QString::number(elapsed)));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QVERIFY2(cpu < 0.5 * double(elapsed), qPrintable(QStringLiteral("%1 ms CPU").arg(cpu)));
    }

    // An event that outlasts the timer does not cut the wait short, nor does
    // the wait outlive its time by more than that event.
    void longEventInsideTheWait()
    {
        QTimer::singleShot(2, this, [] { QThread::msleep(30); });
        QElapsedTimer wall;
        wall.start();
        WaitWithMessages(10);
        QVERIFY(wall.elapsed() >= 30);
        wall.restart();
        WaitWithMessages(10);
        QVERIFY(wall.elapsed() >= 10);
    }

    void progressRounding_data()
    {
        QTest::addColumn<qint64>("done");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("percent");
        QTest::newRow("12.5 to even") << qint64(1) << qint64(8) << 12;
        QTest::newRow("37.5 to even") << qint64(3) << qint64(8) << 38;
        QTest::newRow("62.5 to even") << qint64(5) << qint64(8) << 62;
        QTest::newRow("87.5 to even") << qint64(7) << qint64(8) << 88;
        QTest::newRow("0.5 to even") << qint64(1) << qint64(200) << 0;
        QTest::newRow("2.5 of 40ths") << qint64(1) << qint64(40) << 2;
        QTest::newRow("below a half") << qint64(257) << qint64(512) << 50;
        QTest::newRow("above a half") << qint64(511) << qint64(512) << 100;
        QTest::newRow("start") << qint64(0) << qint64(2048) << 0;
        QTest::newRow("end") << qint64(2048) << qint64(2048) << 100;
    }
    void progressRounding()
    {
        QFETCH(qint64, done);
        QFETCH(qint64, total);
        QFETCH(int, percent);
        QCOMPARE(ProgressPercent(done, total), percent);
    }
};

int runCommonTests(int argc, char **argv)
{
    TestCommon t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_common.moc"
