// The PCF8583 clock driven through the device link with requests 103 and
// 104 as the clock page sends them, on a manual clock.
#include "Pcf8583.h"
#include "SimBench.h"

#include <QtTest>

using namespace sim;

namespace {
// Registers 2..7 as the clock page writes them: BCD seconds, minutes,
// hours, day with the year counter in bits 7..6, month with the weekday in
// bits 7..5, timer.
QByteArray clockBytes(int year, int month, int day, int hour, int minute, int second, int weekday = 0)
{
    auto bcd = [](int v) { return char((v / 10) << 4 | v % 10); };
    return QByteArray() + bcd(second) + bcd(minute) + bcd(hour) + char((year & 3) << 6 | bcd(day)) +
           char(weekday << 5 | bcd(month)) + '\0';
}

// The page's own write: wValue 0x01A2, registers from 2.
int setClock(SimBench &bench, const QByteArray &registers) { return bench.i2cWrite(0x1A2, 2, registers); }
QByteArray readClock(SimBench &bench) { return bench.i2cRead(0xA2, 2, 6); }
} // namespace

class TestPcf8583 : public QObject {
    Q_OBJECT

private slots:
    void clockRunsOnTheVirtualClock()
    {
        SimBench bench;
        QCOMPARE(setClock(bench, clockBytes(2, 5, 17, 9, 5, 7)), 6);
        QCOMPARE(readClock(bench), clockBytes(2, 5, 17, 9, 5, 7));
        bench.clock.advanceMs(61'990);
        QCOMPARE(readClock(bench), clockBytes(2, 5, 17, 9, 6, 8));
        QCOMPARE(bench.i2cRead(0xA2, 1, 1), QByteArray("\x99"));
        bench.clock.advanceMs(10);
        QCOMPARE(bench.i2cRead(0xA2, 1, 2), QByteArray("\x00\x09", 2));
    }

    // Carries through every counter; the year counter wraps 3 -> 0, and
    // February has 29 days in year 0 only.
    void carries_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<qint64>("advanceMs");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("minute") << clockBytes(1, 3, 4, 10, 59, 59) << 1000LL << clockBytes(1, 3, 4, 11, 0, 0);
        QTest::newRow("midnight, weekday")
            << clockBytes(1, 3, 4, 23, 59, 59, 6) << 1000LL << clockBytes(1, 3, 5, 0, 0, 0, 0);
        QTest::newRow("30-day month") << clockBytes(1, 4, 30, 23, 59, 59) << 1000LL << clockBytes(1, 5, 1, 0, 0, 0, 1);
        QTest::newRow("31-day month") << clockBytes(1, 7, 31, 23, 59, 59) << 1000LL << clockBytes(1, 8, 1, 0, 0, 0, 1);
        QTest::newRow("Feb 28, year 1") << clockBytes(1, 2, 28, 23, 59, 59) << 1000LL
                                        << clockBytes(1, 3, 1, 0, 0, 0, 1);
        QTest::newRow("Feb 28, year 0") << clockBytes(0, 2, 28, 23, 59, 59) << 1000LL
                                        << clockBytes(0, 2, 29, 0, 0, 0, 1);
        QTest::newRow("Feb 29, year 0") << clockBytes(0, 2, 29, 23, 59, 59) << 1000LL
                                        << clockBytes(0, 3, 1, 0, 0, 0, 1);
        QTest::newRow("New Year 1 -> 2") << clockBytes(1, 12, 31, 23, 59, 59) << 1000LL
                                         << clockBytes(2, 1, 1, 0, 0, 0, 1);
        QTest::newRow("New Year 3 -> 0") << clockBytes(3, 12, 31, 23, 59, 59) << 1000LL
                                         << clockBytes(0, 1, 1, 0, 0, 0, 1);
        QTest::newRow("a leap year of days")
            << clockBytes(0, 1, 1, 12, 0, 0) << 366LL * 86'400'000 << clockBytes(1, 1, 1, 12, 0, 0, 2);
        QTest::newRow("four years") << clockBytes(2, 6, 15, 8, 0, 0, 3) << 1461LL * 86'400'000
                                    << clockBytes(2, 6, 15, 8, 0, 0, 1);
        QTest::newRow("75 seconds typed") << clockBytes(1, 1, 1, 0, 0, 75) << 1000LL << clockBytes(1, 1, 1, 0, 1, 16);
    }
    void carries()
    {
        QFETCH(QByteArray, before);
        QFETCH(qint64, advanceMs);
        QFETCH(QByteArray, after);
        SimBench bench;
        setClock(bench, before);
        bench.clock.advanceMs(advanceMs);
        QCOMPARE(readClock(bench), after);
    }

    void twelveHourFormat()
    {
        SimBench bench;
        QCOMPARE(bench.i2cWrite(0xA2, 4, "\xD1"), 1); // 12 h, PM, 11
        bench.i2cWrite(0xA2, 2, QByteArray("\x59\x59", 2));
        bench.clock.advanceMs(1000);
        QCOMPARE(bench.i2cRead(0xA2, 2, 3), QByteArray("\x00\x00\x92", 3)); // 12 AM
    }

    // The word address goes on after every byte, past 0xFF to 0x00.
    void autoIncrementAndRam()
    {
        SimBench bench;
        QCOMPARE(bench.i2cWrite(0x1A2, 0x10, QByteArray("\x07\xE0", 2)), 2);
        QCOMPARE(bench.i2cRead(0xA2, 0x10, 2), QByteArray("\x07\xE0", 2));
        QByteArray ram(240, '\0');
        for (int i = 0; i < ram.size(); ++i)
            ram[i] = char(i + 1);
        QCOMPARE(bench.i2cWrite(0xA2, 0x10, ram), 240);
        QCOMPARE(bench.i2cRead(0xA2, 0x10, 240), ram);
        QCOMPARE(bench.i2cRead(0xA2, 0xFE, 4), QByteArray("\xEF\xF0\x00\x00", 4)); // FE, FF, then control, hundredths
        QCOMPARE(bench.firmware().rtc()->registerValue(0xFF), std::uint8_t(0xF0));
    }

    void stopBitHaltsCounting()
    {
        SimBench bench;
        setClock(bench, clockBytes(1, 1, 1, 0, 0, 0));
        bench.clock.advanceMs(1500);
        QCOMPARE(bench.i2cWrite(0xA2, 0, "\x80"), 1);
        bench.clock.advanceMs(60'000);
        QCOMPARE(readClock(bench), clockBytes(1, 1, 1, 0, 0, 1));
        bench.i2cWrite(0xA2, 0, QByteArray(1, '\0'));
        bench.clock.advanceMs(499); // the hundredths kept their 50 through the stop
        QCOMPARE(readClock(bench), clockBytes(1, 1, 1, 0, 0, 1));
        bench.clock.advanceMs(1);
        QCOMPARE(readClock(bench), clockBytes(1, 1, 1, 0, 0, 2));
    }

    void maskFlagHidesYearAndWeekday()
    {
        SimBench bench;
        setClock(bench, clockBytes(3, 12, 24, 1, 2, 3, 5));
        bench.i2cWrite(0xA2, 0, "\x08");
        QCOMPARE(bench.i2cRead(0xA2, 5, 2), QByteArray("\x24\x12"));
        QCOMPARE(bench.firmware().rtc()->registerValue(5), std::uint8_t(0xE4));
    }

    // Battery-backed: time and RAM survive the adapter being pulled.
    void replugKeepsTimeAndRam()
    {
        SimBench bench;
        setClock(bench, clockBytes(2, 5, 17, 9, 5, 7));
        bench.i2cWrite(0xA2, 0x20, "k");
        bench.replug();
        bench.clock.advanceMs(2000);
        QCOMPARE(readClock(bench), clockBytes(2, 5, 17, 9, 5, 9));
        QCOMPARE(bench.i2cRead(0xA2, 0x20, 1), QByteArray("k"));
    }

    // As the program starts it: the host's time, base year in RAM 0x10..0x11.
    void setFromHostTime()
    {
        SimBench bench;
        bench.simulator().setClockFrom(QDateTime(QDate(2018, 5, 17), QTime(9, 5, 7, 500)));
        QCOMPARE(readClock(bench), clockBytes(2, 5, 17, 9, 5, 7, 4));
        QCOMPARE(bench.i2cRead(0xA2, 1, 1), QByteArray("\x50"));
        QCOMPARE(bench.i2cRead(0xA2, 0x10, 2), QByteArray("\x07\xE0"));
    }
};

int runPcf8583Tests(int argc, char **argv)
{
    TestPcf8583 t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_pcf8583.moc"
