// The DS1307 and DS3231 clocks at D0 driven through the device link with
// requests 103 and 104, on a manual clock, against their data sheets.
#include "Ds13xx.h"
#include "SimBench.h"

#include <QtTest>

using namespace sim;

Q_DECLARE_METATYPE(sim::Ds13xxType)

namespace {
// Registers 0..6: BCD seconds, minutes, hours (24 h), weekday, date, month
// (bit 7 the DS3231's century), year.
QByteArray timeBytes(int year, int month, int day, int hour, int minute, int second, int weekday = 1,
                     bool century = false)
{
    auto bcd = [](int v) { return char((v / 10) << 4 | v % 10); };
    return QByteArray() + bcd(second) + bcd(minute) + bcd(hour) + char(weekday) + bcd(day) +
           char((century ? 0x80 : 0) | bcd(month)) + bcd(year);
}

BusPopulation only(Ds13xxType type)
{
    BusPopulation p;
    p.ds13xx = type;
    return p;
}

int setTime(SimBench &bench, const QByteArray &registers) { return bench.i2cWrite(0x1D0, 0, registers); }
QByteArray readTime(SimBench &bench) { return bench.i2cRead(0xD0, 0, 7); }
} // namespace

class TestDs13xx : public QObject {
    Q_OBJECT

private slots:
    // Both chips count the same calendar; every year divisible by four is a
    // leap year, 00 included. The weekday wraps 7 -> 1.
    void carries_data()
    {
        QTest::addColumn<Ds13xxType>("type");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        for (Ds13xxType type : {Ds13xxType::DS1307, Ds13xxType::DS3231}) {
            const char *name = ds13xxVariant(type).name;
            auto row = [&](const char *what) { return &QTest::newRow(QByteArray(name).append(' ').append(what)); };
            *row("second") << type << timeBytes(24, 3, 4, 10, 0, 9) << timeBytes(24, 3, 4, 10, 0, 10);
            *row("minute") << type << timeBytes(24, 3, 4, 10, 59, 59) << timeBytes(24, 3, 4, 11, 0, 0);
            *row("midnight, weekday 7 -> 1")
                << type << timeBytes(24, 3, 4, 23, 59, 59, 7) << timeBytes(24, 3, 5, 0, 0, 0, 1);
            *row("30-day month") << type << timeBytes(23, 4, 30, 23, 59, 59, 2) << timeBytes(23, 5, 1, 0, 0, 0, 3);
            *row("31-day month") << type << timeBytes(23, 7, 31, 23, 59, 59, 2) << timeBytes(23, 8, 1, 0, 0, 0, 3);
            *row("Feb 28, 2023") << type << timeBytes(23, 2, 28, 23, 59, 59) << timeBytes(23, 3, 1, 0, 0, 0, 2);
            *row("Feb 28, 2024") << type << timeBytes(24, 2, 28, 23, 59, 59) << timeBytes(24, 2, 29, 0, 0, 0, 2);
            *row("Feb 29, 2024") << type << timeBytes(24, 2, 29, 23, 59, 59) << timeBytes(24, 3, 1, 0, 0, 0, 2);
            *row("Feb 28, year 00") << type << timeBytes(0, 2, 28, 23, 59, 59) << timeBytes(0, 2, 29, 0, 0, 0, 2);
            *row("New Year") << type << timeBytes(24, 12, 31, 23, 59, 59) << timeBytes(25, 1, 1, 0, 0, 0, 2);
        }
        // The DS1307 has no century: 99 -> 00 and nothing else. The DS3231 toggles its bit.
        QTest::newRow("ds1307 year 99 -> 00")
            << Ds13xxType::DS1307 << timeBytes(99, 12, 31, 23, 59, 59) << timeBytes(0, 1, 1, 0, 0, 0, 2);
        QTest::newRow("ds3231 century 20 -> 21")
            << Ds13xxType::DS3231 << timeBytes(99, 12, 31, 23, 59, 59) << timeBytes(0, 1, 1, 0, 0, 0, 2, true);
        QTest::newRow("ds3231 century 21 -> 20")
            << Ds13xxType::DS3231 << timeBytes(99, 12, 31, 23, 59, 59, 1, true) << timeBytes(0, 1, 1, 0, 0, 0, 2);
        QTest::newRow("ds3231 century kept through a month")
            << Ds13xxType::DS3231 << timeBytes(0, 1, 31, 23, 59, 59, 1, true) << timeBytes(0, 2, 1, 0, 0, 0, 2, true);
    }
    void carries()
    {
        QFETCH(Ds13xxType, type);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        SimBench bench(only(type));
        QCOMPARE(setTime(bench, before), 7);
        bench.clock.advanceMs(999);
        QCOMPARE(readTime(bench), before);
        bench.clock.advanceMs(1);
        QCOMPARE(readTime(bench), after);
    }

    // 12 h form: hours 1..12 in bits 4..0, bit 5 PM, bit 6 kept.
    void twelveHour_data()
    {
        QTest::addColumn<Ds13xxType>("type");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        for (Ds13xxType type : {Ds13xxType::DS1307, Ds13xxType::DS3231}) {
            const QByteArray name = ds13xxVariant(type).name;
            QTest::newRow(name + " 11 AM -> 12 PM") << type << 0x51 << 0x72;
            QTest::newRow(name + " 11 PM -> 12 AM") << type << 0x71 << 0x52;
            QTest::newRow(name + " 12 AM -> 1 AM") << type << 0x52 << 0x41;
            QTest::newRow(name + " 12 PM -> 1 PM") << type << 0x72 << 0x61;
            QTest::newRow(name + " 9 PM -> 10 PM") << type << 0x69 << 0x70;
            QTest::newRow(name + " 24 h 19 -> 20") << type << 0x19 << 0x20;
        }
    }
    void twelveHour()
    {
        QFETCH(Ds13xxType, type);
        QFETCH(int, before);
        QFETCH(int, after);
        SimBench bench(only(type));
        setTime(bench, QByteArray("\x59\x59", 2) + char(before) + timeBytes(24, 1, 1, 0, 0, 0).mid(3));
        bench.clock.advanceMs(1000);
        QCOMPARE(bench.i2cRead(0xD0, 0, 3), QByteArray("\x00\x00", 2) + char(after));
    }

    // First power: 01/01/00, day 1, 00:00:00, CH set; nothing counts until it
    // is cleared, and a seconds write restarts the divider.
    void ds1307HaltBit()
    {
        SimBench bench(only(Ds13xxType::DS1307));
        QCOMPARE(readTime(bench), QByteArray("\x80\x00\x00\x01\x01\x01\x00", 7));
        QCOMPARE(bench.i2cRead(0xD0, 7, 1), QByteArray("\x03"));
        bench.clock.advanceMs(5000);
        QCOMPARE(readTime(bench).left(1), QByteArray("\x80"));
        bench.clock.advanceMs(300);
        QCOMPARE(bench.i2cWrite(0x1D0, 0, QByteArray(1, '\x00')), 1);
        bench.clock.advanceMs(999);
        QCOMPARE(readTime(bench).left(1), QByteArray(1, '\0'));
        bench.clock.advanceMs(1);
        QCOMPARE(readTime(bench).left(1), QByteArray("\x01"));
        bench.i2cWrite(0x1D0, 0, "\x81");
        bench.clock.advanceMs(10'000);
        QCOMPARE(readTime(bench).left(1), QByteArray("\x81"));
    }

    // The pointer runs on after every byte and wraps after the last register.
    void pointerWrap_data()
    {
        QTest::addColumn<Ds13xxType>("type");
        QTest::addColumn<int>("last");
        QTest::newRow("ds1307 at 0x3F") << Ds13xxType::DS1307 << 0x3F;
        QTest::newRow("ds3231 at 0x12") << Ds13xxType::DS3231 << 0x12;
    }
    void pointerWrap()
    {
        QFETCH(Ds13xxType, type);
        QFETCH(int, last);
        SimBench bench(only(type));
        setTime(bench, timeBytes(24, 6, 15, 12, 34, 56));
        const QByteArray read = bench.i2cRead(0xD0, last, 4);
        QCOMPARE(read.size(), 4);
        QCOMPARE(read.mid(1), timeBytes(24, 6, 15, 12, 34, 56).left(3));
        // A write across the end lands in register 0 too.
        QCOMPARE(bench.i2cWrite(0x1D0, last - 1, QByteArray("\x00\x00\x42", 3)), 3);
        QCOMPARE(bench.i2cRead(0xD0, 0, 1), QByteArray("\x42"));
    }

    void ds1307Ram()
    {
        SimBench bench(only(Ds13xxType::DS1307));
        QByteArray ram(56, '\0');
        for (int i = 0; i < ram.size(); ++i)
            ram[i] = char(0xA0 + i);
        QCOMPARE(bench.i2cWrite(0x1D0, 8, ram), 56);
        QCOMPARE(bench.i2cRead(0xD0, 8, 56), ram);
        bench.replug();
        bench.clock.advanceMs(3000);
        QCOMPARE(bench.i2cRead(0xD0, 8, 56), ram);
    }

    // MSB the integer degrees in two's complement, LSB bits 7..6 the quarters.
    void ds3231Temperature_data()
    {
        QTest::addColumn<int>("quarters");
        QTest::addColumn<QByteArray>("registers");
        QTest::newRow("23.25 (room)") << 93 << QByteArray("\x17\x40", 2);
        QTest::newRow("0") << 0 << QByteArray("\x00\x00", 2);
        QTest::newRow("+0.75") << 3 << QByteArray("\x00\xC0", 2);
        QTest::newRow("-0.25") << -1 << QByteArray("\xFF\xC0", 2);
        QTest::newRow("-18.5") << -74 << QByteArray("\xED\x80", 2);
        QTest::newRow("+85") << 340 << QByteArray("\x55\x00", 2);
        QTest::newRow("-40") << -160 << QByteArray("\xD8\x00", 2);
    }
    void ds3231Temperature()
    {
        QFETCH(int, quarters);
        QFETCH(QByteArray, registers);
        SimBench bench(only(Ds13xxType::DS3231));
        bench.firmware().ds13xx()->setQuarterDegrees(quarters);
        QCOMPARE(bench.i2cRead(0xD0, 0x11, 2), registers);
        bench.i2cWrite(0x1D0, 0x11, QByteArray("\x12\x34", 2)); // read-only
        QCOMPARE(bench.i2cRead(0xD0, 0x11, 2), registers);
    }

    // Power-on: control 1C, status 88 (OSF and EN32kHz). OSF and the alarm
    // flags are cleared by a 0 and never set by a write; alarms and aging
    // are stored.
    void ds3231ControlStatusAgingAlarms()
    {
        SimBench bench(only(Ds13xxType::DS3231));
        QCOMPARE(bench.i2cRead(0xD0, 0x0E, 3), QByteArray("\x1C\x88\x00", 3));
        bench.i2cWrite(0x1D0, 0x0F, QByteArray(1, '\0'));
        QCOMPARE(bench.i2cRead(0xD0, 0x0F, 1), QByteArray(1, '\0'));
        bench.i2cWrite(0x1D0, 0x0F, "\x8B");
        QCOMPARE(bench.i2cRead(0xD0, 0x0F, 1), QByteArray("\x08"));
        const QByteArray alarms("\x01\x02\x03\x84\x05\x06\x47", 7);
        QCOMPARE(bench.i2cWrite(0x1D0, 0x07, alarms), 7);
        bench.i2cWrite(0x1D0, 0x10, "\xF6");
        QCOMPARE(bench.i2cRead(0xD0, 0x07, 7), alarms);
        QCOMPARE(bench.i2cRead(0xD0, 0x10, 1), QByteArray("\xF6"));
    }

    // A read sees one instant: the counters are copied at the start, so a
    // carry between two bytes of one read does not tear it.
    void readIsOneInstant()
    {
        SimBench bench(only(Ds13xxType::DS3231));
        setTime(bench, timeBytes(24, 12, 31, 23, 59, 59));
        bench.clock.advanceMs(999);
        QCOMPARE(readTime(bench), timeBytes(24, 12, 31, 23, 59, 59));
    }

    void absentWhenNone()
    {
        BusPopulation p;
        p.ds13xx.reset();
        SimBench bench(p);
        QVERIFY(bench.i2cRead(0xD0, 0, 7).isEmpty());
    }
};

int runDs13xxTests(int argc, char **argv)
{
    TestDs13xx t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_ds13xx.moc"
