// The DS13xx engine on the virtual chips: the 12-hour form kept on a write
// and read back as the chip holds it, and the fields a set refuses.
#include "Ds13xx.h"
#include "SimBench.h"
#include "ZqRtcDs13xx.h"

#include <QtTest>

using namespace sim;

Q_DECLARE_METATYPE(sim::Ds13xxType)
Q_DECLARE_METATYPE(TClockField)

namespace {
struct Bench {
    explicit Bench(Ds13xxType type) : bench(population(type))
    {
        engine.SetZqLibUSB(&bench.link());
        engine.SetChip(type == Ds13xxType::DS3231 ? dcDS3231 : dcDS1307);
    }
    static BusPopulation population(Ds13xxType type)
    {
        BusPopulation p;
        p.ds13xx = type;
        return p;
    }
    Ds13xx &chip() { return *bench.firmware().ds13xx(); }

    SimBench bench;
    TZqRtcDs13xx engine;
};

void bothChips(const std::function<void(const QByteArray &name, Ds13xxType type)> &rows)
{
    rows("ds1307", Ds13xxType::DS1307);
    rows("ds3231", Ds13xxType::DS3231);
}
} // namespace

class TestDs13xxEngine : public QObject {
    Q_OBJECT

private slots:
    // Hours register in 12-hour form: bit 6 set, bit 5 PM, 1..12 in BCD.
    void twelveHourForm_data()
    {
        QTest::addColumn<Ds13xxType>("type");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("hoursRegister");
        QTest::addColumn<QString>("shown");
        bothChips([](const QByteArray &name, Ds13xxType type) {
            QTest::newRow(name + " midnight") << type << 0 << 0x52 << "12:34:56 AM";
            QTest::newRow(name + " 9 AM") << type << 9 << 0x49 << "09:34:56 AM";
            QTest::newRow(name + " noon") << type << 12 << 0x72 << "12:34:56 PM";
            QTest::newRow(name + " 2 PM") << type << 14 << 0x62 << "02:34:56 PM";
            QTest::newRow(name + " 11 PM") << type << 23 << 0x71 << "11:34:56 PM";
        });
    }
    void twelveHourForm()
    {
        QFETCH(Ds13xxType, type);
        QFETCH(int, hour);
        QFETCH(int, hoursRegister);
        QFETCH(QString, shown);
        Bench bench(type);
        bench.chip().setRegister(Ds13xx::Hours, 0x41);
        QVERIFY(bench.engine.WriteTime({2024, 3, 9, hour, 34, 56}));
        QCOMPARE(int(bench.chip().registerValue(Ds13xx::Hours)), hoursRegister);
        // Read from what the chip holds, so a fault of the write does not hide one of the read.
        bench.chip().setRegister(Ds13xx::Hours, std::uint8_t(hoursRegister));
        TDs13xxReading reading;
        QVERIFY(bench.engine.Read(reading));
        QVERIFY(reading.TwelveHour);
        QCOMPARE(reading.TimeText, shown);
        QCOMPARE(reading.DateText, QStringLiteral("2024-03-09"));
    }

    // The first field a set refuses and its range; nothing is written.
    void refusedFields_data()
    {
        QTest::addColumn<Ds13xxType>("type");
        QTest::addColumn<QList<int>>("fields"); // year month day hour minute second
        QTest::addColumn<TClockField>("field");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("hour 24") << Ds13xxType::DS3231 << QList<int>{2024, 1, 1, 24, 0, 0} << TClockField::Hour << 0
                                 << 23;
        QTest::newRow("ds1307 year 2100")
            << Ds13xxType::DS1307 << QList<int>{2100, 1, 1, 0, 0, 0} << TClockField::Year << 2000 << 2099;
        QTest::newRow("ds3231 year 2200")
            << Ds13xxType::DS3231 << QList<int>{2200, 1, 1, 0, 0, 0} << TClockField::Year << 2000 << 2199;
        // The chip would take 2100 for a leap year; February 2100 has 28 days.
        QTest::newRow("ds3231 Feb 29, 2100")
            << Ds13xxType::DS3231 << QList<int>{2100, 2, 29, 0, 0, 0} << TClockField::Day << 1 << 28;
        QTest::newRow("ds3231 Feb 30, 2096 (a leap year)")
            << Ds13xxType::DS3231 << QList<int>{2096, 2, 30, 0, 0, 0} << TClockField::Day << 1 << 29;
    }
    void refusedFields()
    {
        QFETCH(Ds13xxType, type);
        QFETCH(QList<int>, fields);
        QFETCH(TClockField, field);
        QFETCH(int, low);
        QFETCH(int, high);
        Bench bench(type);
        const TDs13xxFields asked{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
        const std::optional<TFieldRange> range = bench.engine.OutOfRange(asked);
        QVERIFY(range);
        QCOMPARE(range->field, field);
        QCOMPARE(range->low, low);
        QCOMPARE(range->high, high);
        const std::vector<std::uint8_t> before = bench.chip().registers();
        QVERIFY(!bench.engine.WriteTime(asked));
        QCOMPARE(bench.chip().registers(), before);
    }
};

QTEST_GUILESS_MAIN(TestDs13xxEngine)
#include "tst_ds13xxengine.moc"
