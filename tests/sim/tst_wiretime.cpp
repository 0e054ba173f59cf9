// The wire-time model: what each request costs on its bus, counted by the
// adapter, and held as real time when the model is on.
#include "SimBench.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace sim;

namespace {
BusPopulation everything()
{
    BusPopulation p;
    p.eeprom24 = Eeprom24Type::C04;
    p.eeprom24Pins = 0b100;
    p.pcf8583 = false;
    p.eeprom93 = Eeprom93Type::C46;
    return p;
}

enum class Step {
    I2cRead,  // 104: value device, index address, length n
    I2cWrite, // 103 of length bytes
    Command,  // 102
    Clock,    // 101 host-to-device, value kHz
    Shift,    // 158 of index bits after 150 with code 8
    SpiByte,  // 155 after 150 with code value
    SpiBlock, // 157 of length bytes after 150 with code value
};
} // namespace

Q_DECLARE_METATYPE(Step)

class TestWireTime : public QObject {
    Q_OBJECT

private slots:
    // I2C: 9 bit times a byte (address and register bytes included), 1 for
    // each start, repeated start and stop. SPI: 8 bits a byte at 12 MHz over
    // the code's divider, each shift rounded down to the nanosecond;
    // Microwire (soft) 10 us a bit. 101 moves no bits.
    void wireTimeOfEachRequest_data()
    {
        QTest::addColumn<int>("khz");
        QTest::addColumn<Step>("step");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("length");
        QTest::addColumn<qint64>("ns");
        QTest::newRow("104 of 1 at 100 kHz") << 100 << Step::I2cRead << 0xA8 << 0 << 1 << qint64((30 + 9) * 10000);
        QTest::newRow("104 of 64 at 100 kHz")
            << 100 << Step::I2cRead << 0xA8 << 0 << 64 << qint64((30 + 9 * 64) * 10000);
        QTest::newRow("104 of 1 at 400 kHz") << 400 << Step::I2cRead << 0xA8 << 0 << 1 << qint64(39 * 2500);
        QTest::newRow("104 nobody home") << 100 << Step::I2cRead << 0xA4 << 0 << 1 << qint64((1 + 9 + 1) * 10000);
        QTest::newRow("103 of 8 at 100 kHz") << 100 << Step::I2cWrite << 0xA8 << 0 << 8 << qint64((20 + 9 * 8) * 10000);
        QTest::newRow("102 at 700 kHz") << 700 << Step::Command << 0xA8 << 0 << 254 << qint64(29) * 1000000 / 700;
        QTest::newRow("101") << 100 << Step::Clock << 400 << 0 << 0 << qint64(0);
        QTest::newRow("158 of 16 bits, soft") << 100 << Step::Shift << 0 << 16 << 2 << qint64(16 * 10000);
        QTest::newRow("158 of 9 bits, soft") << 100 << Step::Shift << 0x130 << 9 << 1 << qint64(9 * 10000);
        QTest::newRow("155 at F_CPU/4") << 100 << Step::SpiByte << 0 << 0x55 << 1 << qint64(8 * 4 * 1000 / 12);
        QTest::newRow("157 of 128 at F_CPU/128")
            << 100 << Step::SpiBlock << 3 << 0 << 128 << qint64(128 * (8 * 128 * 1000 / 12));
        QTest::newRow("157 of 128 at F_CPU/2")
            << 100 << Step::SpiBlock << 4 << 0 << 128 << qint64(128 * (8 * 2 * 1000 / 12));
    }
    void wireTimeOfEachRequest()
    {
        QFETCH(int, khz);
        QFETCH(Step, step);
        QFETCH(int, value);
        QFETCH(int, index);
        QFETCH(int, length);
        QFETCH(qint64, ns);
        SimBench bench(everything());
        bench.write(101, khz, 0);
        const QByteArray data(length, '\x3C');
        switch (step) {
        case Step::Shift:
            bench.openLines(8);
            bench.select(true);
            break;
        case Step::SpiByte:
        case Step::SpiBlock:
            bench.openLines(value);
            break;
        default:
            break;
        }
        const std::int64_t before = bench.simulator().adapter()->wireNs();
        switch (step) {
        case Step::I2cRead:
            bench.read(104, value, index, length);
            break;
        case Step::I2cWrite:
            bench.write(103, value, index, data);
            break;
        case Step::Command:
            bench.write(102, 0x78, 0xAF00, {}, length);
            break;
        case Step::Clock:
            bench.write(101, value, 0);
            break;
        case Step::Shift:
            bench.shift(std::uint16_t(value), index, length);
            break;
        case Step::SpiByte:
            bench.write(155, index, 0, {}, 1);
            break;
        case Step::SpiBlock:
            bench.write(157, 1, 0, data);
            break;
        }
        QCOMPARE(bench.simulator().adapter()->wireNs() - before, ns);
    }

    // With the model on, the wire time is real waiting on top of the latency;
    // with it off only the latency is. Lower bounds only: a busy host can be late.
    void modelHoldsTheBus_data()
    {
        QTest::addColumn<bool>("model");
        QTest::addColumn<int>("latencyUs");
        QTest::addColumn<qint64>("atLeastUs");
        QTest::addColumn<qint64>("belowUs");
        QTest::newRow("model on") << true << 0 << qint64(20 * (30 + 9 * 64) * 10) << qint64(-1);
        QTest::newRow("model on, latency") << true << 720 << qint64(20 * ((30 + 9 * 64) * 10 + 720)) << qint64(-1);
        QTest::newRow("model off") << false << 720 << qint64(20 * 720) << qint64(20 * (30 + 9 * 64) * 10);
    }
    void modelHoldsTheBus()
    {
        QFETCH(bool, model);
        QFETCH(int, latencyUs);
        QFETCH(qint64, atLeastUs);
        QFETCH(qint64, belowUs);
        SimBench bench(everything());
        bench.simulator().adapter()->setWireTimeModel(model);
        bench.simulator().adapter()->setLatencyUs(latencyUs);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 20; ++i)
            QCOMPARE(bench.read(104, 0xA8, 0, 64), 64);
        const qint64 us = timer.nsecsElapsed() / 1000;
        QVERIFY2(us >= atLeastUs, qPrintable(QString::number(us)));
        if (belowUs > 0)
            QVERIFY2(us < belowUs, qPrintable(QString::number(us)));
    }

    // The option reaches the adapter.
    void optionTurnsTheModelOn_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("on");
        QTest::newRow("default") << QStringList() << false;
        QTest::newRow("on") << QStringList{QStringLiteral("--sim-wire-time"), QStringLiteral("on")} << true;
        QTest::newRow("off") << QStringList{QStringLiteral("--sim-wire-time=off")} << false;
    }
    void optionTurnsTheModelOn()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, on);
        QString error;
        const std::unique_ptr<Simulator> sim = Simulator::fromArguments(arguments, error);
        QVERIFY2(sim, qPrintable(error));
        QCOMPARE(sim->adapter()->wireTimeModel(), on);
    }
};

int runWireTimeTests(int argc, char **argv)
{
    TestWireTime t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_wiretime.moc"
