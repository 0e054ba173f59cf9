// What the bus guard sees on the virtual adapter: the scan of the bus, and a
// running clock that shares the device bytes of an I2C EEPROM, told apart
// from the EEPROM by bytes that move by themselves; and a protected erase
// that the guard stops before the clock is touched.
#include "BusGuard.h"
#include "ChipGuard.h"
#include "Pcf8583.h"
#include "RunTests.h"
#include "SimBench.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace sim;

namespace {
constexpr int kNoChip = -1;
constexpr int kI2cRead = 104;
constexpr int kI2cWrite = 103;

BusPopulation Bench24(int type, int pins, bool clock)
{
    BusPopulation p;
    p.eeprom24 = type == kNoChip ? std::nullopt : std::optional(Eeprom24Type(type));
    p.eeprom24Pins = pins;
    p.pcf8583 = clock;
    return p;
}

std::unique_ptr<TZqEEPROM24Cxx> Engine24(SimBench &bench, int type, const QString &address)
{
    auto engine = std::make_unique<TZqEEPROM24Cxx>();
    engine->SetEepromType(TZqEEPROM24Cxx::TEepromType(type));
    engine->SetAddrI2C(address);
    engine->SetZqLibUSB(&bench.link());
    return engine;
}

int Requests(SimBench &bench, int request)
{
    int n = 0;
    for (const TransferRecord &r : bench.simulator().adapter()->log().records())
        n += r.request == request ? 1 : 0;
    return n;
}

// The clock's registers and RAM that no tick changes: control, timer, alarms, RAM.
QByteArray StillRegisters(Pcf8583 &clock)
{
    QByteArray bytes;
    bytes += char(clock.registerValue(Pcf8583::Control));
    for (int i = Pcf8583::Timer; i <= 0xFF; ++i)
        bytes += char(clock.registerValue(std::uint8_t(i)));
    return bytes;
}
} // namespace

class TestBusGuard : public QObject {
    Q_OBJECT

private slots:
    void scanListsWhatAnswers_data()
    {
        QTest::addColumn<bool>("clock");
        QTest::addColumn<bool>("others");
        QTest::addColumn<QString>("text");
        QTest::newRow("default bench") << true << true << "devices on the bus: 78 A2 A8 AA D0";
        QTest::newRow("without the clock") << false << true << "devices on the bus: 78 A8 AA D0";
        QTest::newRow("nothing fitted") << false << false << "no device answered on the bus";
    }
    void scanListsWhatAnswers()
    {
        QFETCH(bool, clock);
        QFETCH(bool, others);
        QFETCH(QString, text);
        BusPopulation p;
        p.pcf8583 = clock;
        if (!others) {
            p.eeprom24.reset();
            p.ds13xx.reset();
            p.ssd1306 = false;
        }
        SimBench bench(p);
        QCOMPARE(BusScanText(ScanI2cBus(&bench.link())), text);
        // A scan only reads.
        QCOMPARE(Requests(bench, kI2cWrite), 0);
    }

    void runningClockFound_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("pins");
        QTest::addColumn<bool>("clock");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<int>("fill");
        const int c02 = int(Eeprom24Type::C02), c04 = int(Eeprom24Type::C04), c08 = int(Eeprom24Type::C08),
                  c16 = int(Eeprom24Type::C16);
        QTest::newRow("24c16 beside the clock")
            << c16 << 0 << true << false << "A0" << 0 << 2048 << "A2" << true << 0xFF;
        QTest::newRow("24c16 alone") << c16 << 0 << false << false << "A0" << 0 << 2048 << "" << true << 0xFF;
        QTest::newRow("24c16 block 1 only") << c16 << 0 << true << false << "A0" << 256 << 257 << "A2" << true << 0xFF;
        QTest::newRow("24c16 block 0 only") << c16 << 0 << true << false << "A0" << 0 << 256 << "" << true << 0xFF;
        QTest::newRow("24c16 from block 2") << c16 << 0 << true << false << "A0" << 512 << 2048 << "" << false << 0xFF;
        QTest::newRow("24c04 at A8 beside the clock")
            << c04 << 4 << true << false << "A8" << 0 << 512 << "" << false << 0xFF;
        QTest::newRow("24c08 at A0 beside the clock")
            << c08 << 0 << true << false << "A0" << 0 << 1024 << "A2" << true << 0xFF;
        QTest::newRow("24c02 at A0 beside the clock")
            << c02 << 0 << true << false << "A0" << 0 << 256 << "" << true << 0xFF;
        // The clock's bits show only where the EEPROM holds ones.
        QTest::newRow("24c16 of 5A beside the clock")
            << c16 << 0 << true << false << "A0" << 0 << 2048 << "A2" << true << 0x5A;
        QTest::newRow("24c16 of 00 hides the clock")
            << c16 << 0 << true << false << "A0" << 0 << 2048 << "" << true << 0x00;
        // A stopped clock holds still like memory: nothing tells it apart.
        QTest::newRow("stopped clock beside 24c16")
            << c16 << 0 << true << true << "A0" << 0 << 2048 << "" << true << 0xFF;
    }
    void runningClockFound()
    {
        QFETCH(int, type);
        QFETCH(int, pins);
        QFETCH(bool, clock);
        QFETCH(bool, stopped);
        QFETCH(QString, address);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, reason);
        QFETCH(bool, reads);
        QFETCH(int, fill);
        SimBench bench(Bench24(type, pins, clock));
        if (Eeprom24Cxx *eeprom = bench.firmware().eeprom24())
            eeprom->setMemory(0, QByteArray(eeprom->memory().size(), char(fill)));
        if (stopped)
            bench.firmware().rtc()->setRegister(Pcf8583::Control, Pcf8583::StopCounting);
        const auto engine = Engine24(bench, type, address);
        bench.simulator().adapter()->log().clear();
        int waited = 0;
        const QString got = RunningClockInRange(*engine, "24C16", from, to, [&](int ms) {
            waited += ms;
            bench.clock.advanceMs(ms);
        });
        if (reason.isEmpty()) {
            QVERIFY2(got.isEmpty(), qPrintable(got));
        } else {
            QVERIFY2(got.contains(" " + reason + ",") && got.contains("24C16") && got.contains("PCF8583"),
                     qPrintable(got));
        }
        QCOMPARE(Requests(bench, kI2cRead) > 0, reads);
        // Only the whole wait clears a range; a moving clock may show sooner.
        if (!reads || reason.isEmpty())
            QCOMPARE(waited, reads ? 1000 : 0);
        else
            QVERIFY(waited > 0 && waited <= 1000);
        QCOMPARE(Requests(bench, kI2cWrite), 0);
    }

    // The guard's reason stops a protected erase before anything is read or
    // written; the user's word to go on lets it through.
    void eraseStoppedByClock_data()
    {
        QTest::addColumn<bool>("overridden");
        QTest::newRow("refused") << false;
        QTest::newRow("overridden") << true;
    }
    void eraseStoppedByClock()
    {
        QFETCH(bool, overridden);
        const int c16 = int(Eeprom24Type::C16);
        // The chips run on the host's clock: the erase waits for real write cycles.
        SimBench bench(Bench24(c16, 0, true), SimBench::ChipTime::Steady);
        Pcf8583 &clock = *bench.firmware().rtc();
        for (int i = Pcf8583::FreeRam; i <= 0xFF; ++i)
            clock.setRegister(std::uint8_t(i), std::uint8_t(i * 3));
        bench.firmware().eeprom24()->setMemory(0, QByteArray(2048, char(0x5A)));
        const QByteArray still = StillRegisters(clock);
        const auto engine = Engine24(bench, c16, "A0");
        QTemporaryDir folder;
        QString shown;
        TProtectedWrite how;
        how.chipName = "24C16";
        how.backupFolder = folder.path();
        how.now = QDateTime::currentDateTime();
        how.verify = false;
        how.confirm = [](const QString &) { return true; };
        how.busCheck = [&](const ChipImage &image) {
            return RunningClockInRange(*engine, "24C16", int(image.segments().constFirst().address), int(image.end()),
                                       [](int ms) { QThread::msleep(ms); });
        };
        how.overrideBusCheck = [&](const QString &reason) {
            shown = reason;
            return overridden;
        };
        bench.simulator().adapter()->log().clear();
        const TProtectedOutcome outcome = ProtectedWriteImage(*engine, BlankImage(2048), how);
        QVERIFY2(shown.contains("A2") && shown.contains("24C16"), qPrintable(shown));
        if (!overridden) {
            QVERIFY(!outcome.ok);
            QVERIFY2(outcome.message.startsWith(shown) && outcome.message.endsWith("nothing written"),
                     qPrintable(outcome.message));
            QCOMPARE(Requests(bench, kI2cWrite), 0);
            QCOMPARE(StillRegisters(clock), still);
            QCOMPARE(bench.firmware().eeprom24()->memory(), QByteArray(2048, char(0x5A)));
            QVERIFY(QDir(folder.path()).isEmpty());
        } else {
            QVERIFY(Requests(bench, kI2cWrite) > 0);
            QVERIFY(!outcome.backupPath.isEmpty());
            // The blocks no clock shares are erased.
            QCOMPARE(bench.firmware().eeprom24()->memory().left(256), QByteArray(256, char(0xFF)));
            QCOMPARE(bench.firmware().eeprom24()->memory().mid(512), QByteArray(1536, char(0xFF)));
        }
    }
};

int runBusGuardTests(int argc, char **argv)
{
    TestBusGuard t;
    return RunTests(argc, argv, {&t});
}

#include "tst_busguard.moc"
