// The fault matrix's clock rows: the DS1307 and DS3231 poll and set, the
// PCF8583 poll (with and without the kept year to move on) and set, each run
// once clean to learn its transfers T, then with each kind of fault at each
// transfer k. After each run: not hung, failure reported, the link agrees
// with the adapter, every register as it was or as the clean run left it,
// and a fresh plug and the same operation work again and show the same.
#include "FaultRig.h"
#include "Pcf8583.h"
#include "ZqRtcDs13xx.h"
#include "ZqRtcPcf8583.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace sim;

namespace {
enum class Clock {
    Ds1307,
    Ds3231,
    Pcf8583
};

struct ClockRig {
    explicit ClockRig(Clock chip) : chip(chip), bench(population(chip), SimBench::ChipTime::Manual)
    {
        ds.SetZqLibUSB(&bench.link());
        ds.SetChip(chip == Clock::Ds3231 ? dcDS3231 : dcDS1307);
        pcf.SetZqLibUSB(&bench.link());
    }
    static BusPopulation population(Clock chip)
    {
        BusPopulation p;
        p.eeprom24.reset();
        p.eeprom93.reset();
        p.pcf8583 = chip == Clock::Pcf8583;
        if (chip == Clock::Pcf8583)
            p.ds13xx.reset();
        else
            p.ds13xx = chip == Clock::Ds3231 ? Ds13xxType::DS3231 : Ds13xxType::DS1307;
        return p;
    }
    // The PCF8583's free RAM counts: the kept year lives there.
    std::vector<std::uint8_t> registers()
    {
        if (chip != Clock::Pcf8583)
            return bench.firmware().ds13xx()->registers();
        std::vector<std::uint8_t> all(256);
        for (int i = 0; i < 256; ++i)
            all[std::size_t(i)] = bench.firmware().rtc()->registerValue(std::uint8_t(i));
        return all;
    }
    VirtualAdapter &adapter() { return *bench.simulator().adapter(); }

    Clock chip;
    SimBench bench;
    TZqRtcDs13xx ds;
    TZqRtcPcf8583 pcf;
    QString shown; // what a poll would put on the page
};

struct ClockOperation {
    QString name;
    Clock chip;
    std::function<bool(ClockRig &)> run;
    std::function<void(ClockRig &)> prepare = [](ClockRig &) {};
};

const TDs13xxFields kAsked{2031, 7, 19, 17, 42, 9};

bool pollPcf(ClockRig &r)
{
    TPcf8583Reading reading;
    const bool ok = r.pcf.Read(reading);
    r.shown = reading.DateText + QLatin1Char(' ') + reading.TimeText;
    return ok;
}

const QList<ClockOperation> &operations()
{
    static const QList<ClockOperation> ops = [] {
        QList<ClockOperation> list;
        const std::pair<Clock, const char *> chips[] = {{Clock::Ds1307, "ds1307"}, {Clock::Ds3231, "ds3231"}};
        for (auto [chip, name] : chips) {
            list << ClockOperation{QStringLiteral("%1 poll").arg(name), chip, [](ClockRig &r) {
                                       TDs13xxReading reading;
                                       const bool ok = r.ds.Read(reading);
                                       r.shown = reading.DateText + QLatin1Char(' ') + reading.TimeText;
                                       return ok;
                                   }};
            list << ClockOperation{QStringLiteral("%1 set").arg(name), chip,
                                   [](ClockRig &r) { return r.ds.WriteTime(kAsked); }};
        }
        // A clock set before: the kept year is in place, the poll only reads.
        list << ClockOperation{QStringLiteral("pcf8583 poll"), Clock::Pcf8583, pollPcf,
                               [](ClockRig &r) { QVERIFY(r.pcf.WriteTime(kAsked)); }};
        // The year counter wrapped at midnight: the poll moves the kept year on.
        list << ClockOperation{QStringLiteral("pcf8583 poll after New Year"), Clock::Pcf8583, pollPcf, [](ClockRig &r) {
                                   QVERIFY(r.pcf.WriteTime({2031, 12, 31, 23, 59, 58}));
                                   r.bench.clock.advanceMs(3000);
                               }};
        list << ClockOperation{QStringLiteral("pcf8583 set"), Clock::Pcf8583,
                               [](ClockRig &r) { return r.pcf.WriteTime(kAsked); }};
        return list;
    }();
    return ops;
}

// Registers that differ from before must hold what the clean run left there.
QString registerProblem(const std::vector<std::uint8_t> &before, const std::vector<std::uint8_t> &asked,
                        const std::vector<std::uint8_t> &now)
{
    for (std::size_t i = 0; i < now.size(); ++i)
        if (now[i] != before[i] && now[i] != asked[i])
            return QStringLiteral("register %1 holds %2, neither old nor asked for").arg(i).arg(now[i], 2, 16);
    return {};
}
} // namespace

class TestFaultsClocks : public QObject {
    Q_OBJECT

private slots:
    void matrix_data() { FaultMatrix::addRows(operations()); }
    void matrix();
    void cleanupTestCase() { FMatrix.report(); }

private:
    FaultMatrix FMatrix{"clock fault matrix"};
};

void TestFaultsClocks::matrix()
{
    QFETCH(int, row);
    const ClockOperation &op = operations()[row];
    std::vector<std::uint8_t> before, asked;
    QString shown;
    int transfers = 0;
    {
        ClockRig r(op.chip);
        op.prepare(r);
        before = r.registers();
        r.adapter().log().clear();
        QVERIFY2(op.run(r), "the clean run failed");
        transfers = int(r.adapter().log().records().size());
        asked = r.registers();
        shown = r.shown;
    }
    FMatrix.sweep(op.name, transfers, [&](const FaultKindRow &kind, int k, const QString &where) {
        ClockRig r(op.chip);
        op.prepare(r);
        r.adapter().log().clear();
        armFault(r.bench, kind.kind, k);
        QElapsedTimer timer;
        timer.start();
        const bool ok = op.run(r);
        QCoreApplication::processEvents();
        const QString problem = runProblem(r.bench, timer);
        QVERIFY2(problem.isEmpty(), qPrintable(where + ": " + problem));
        QVERIFY2(!ok, qPrintable(where + ": reported success"));
        const QString registers = registerProblem(before, asked, r.registers());
        QVERIFY2(registers.isEmpty(), qPrintable(where + ": " + registers));

        QVERIFY(plugAgain(r.bench));
        QVERIFY2(op.run(r), qPrintable(where + ": no recovery"));
        QVERIFY2(r.registers() == asked && r.shown == shown, qPrintable(where + ": the next run went wrong"));
    });
}

QTEST_GUILESS_MAIN(TestFaultsClocks)
#include "tst_faults_rtc.moc"
