// The fault matrix's clock rows: the DS1307 and DS3231 poll and set, each
// run once clean to learn its transfers T, then with each kind of fault at
// each transfer k. After each run: not hung, failure reported, the link
// agrees with the adapter, every register as it was or as the set asked,
// and a fresh plug and the same operation work again.
#include "FaultRig.h"
#include "ZqRtcDs13xx.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace sim;

namespace {
struct ClockRig {
    explicit ClockRig(Ds13xxType type) : bench(population(type), SimBench::ChipTime::Manual)
    {
        clock.SetZqLibUSB(&bench.link());
        clock.SetChip(type == Ds13xxType::DS3231 ? dcDS3231 : dcDS1307);
    }
    static BusPopulation population(Ds13xxType type)
    {
        BusPopulation p;
        p.eeprom24.reset();
        p.eeprom93.reset();
        p.pcf8583 = false;
        p.ds13xx = type;
        return p;
    }
    std::vector<std::uint8_t> registers() { return bench.firmware().ds13xx()->registers(); }
    VirtualAdapter &adapter() { return *bench.simulator().adapter(); }

    SimBench bench;
    TZqRtcDs13xx clock;
};

struct ClockOperation {
    QString name;
    Ds13xxType type;
    std::function<bool(ClockRig &)> run;
};

const QList<ClockOperation> &operations()
{
    static const QList<ClockOperation> ops = [] {
        QList<ClockOperation> list;
        const std::pair<Ds13xxType, const char *> chips[] = {{Ds13xxType::DS1307, "ds1307"},
                                                             {Ds13xxType::DS3231, "ds3231"}};
        for (auto [type, name] : chips) {
            list << ClockOperation{QStringLiteral("%1 poll").arg(name), type, [](ClockRig &r) {
                                       TDs13xxReading reading;
                                       return r.clock.Read(reading);
                                   }};
            list << ClockOperation{QStringLiteral("%1 set").arg(name), type, [](ClockRig &r) {
                                       return r.clock.WriteTime({2031, 7, 19, 17, 42, 9});
                                   }};
        }
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
    int transfers = 0;
    {
        ClockRig r(op.type);
        before = r.registers();
        r.adapter().log().clear();
        QVERIFY2(op.run(r), "the clean run failed");
        transfers = int(r.adapter().log().records().size());
        asked = r.registers();
    }
    FMatrix.sweep(op.name, transfers, [&](const FaultKindRow &kind, int k, const QString &where) {
        ClockRig r(op.type);
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
        QVERIFY2(r.registers() == asked, qPrintable(where + ": the next run went wrong"));
    });
}

QTEST_GUILESS_MAIN(TestFaultsClocks)
#include "tst_faults_rtc.moc"
