// The simulator as the program starts it: options, population, log file.
#include "Pcf8583.h"
#include "SimBench.h"
#include "Simulator.h"
#include "Ssd1306.h"
#include "St7565.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <unistd.h>

using namespace sim;

namespace {
// A population in a few letters: which chips, which types, ORG.
QString describe(const BusPopulation &p)
{
    QStringList parts;
    parts << (p.eeprom24 ? QString::fromLatin1(eeprom24Variant(*p.eeprom24).name) : QStringLiteral("no24"));
    parts << QString::number(p.eeprom24Pins);
    parts << (p.pcf8583 ? QStringLiteral("rtc") : QStringLiteral("nortc"));
    parts << (p.ssd1306 ? QStringLiteral("oled") : QStringLiteral("nooled"));
    parts << (p.eeprom93 ? QString::fromLatin1(eeprom93Variant(*p.eeprom93).name) : QStringLiteral("no93"));
    parts << (p.organisation == Organisation::Word16 ? QStringLiteral("x16") : QStringLiteral("x8"));
    parts << (p.st7565 ? QStringLiteral("lcd") : QStringLiteral("nolcd"));
    return parts.join(QLatin1Char(' '));
}

// A log file line "t=SECONDS rest": the rest, and the seconds.
QString withoutTime(const QString &line) { return line.section(QLatin1Char(' '), 1); }
double secondsOf(const QString &line)
{
    const QString stamp = line.section(QLatin1Char(' '), 0, 0);
    return stamp.startsWith(QLatin1String("t=")) ? stamp.mid(2).toDouble() : -1;
}
} // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private slots:
    void optionsChooseThePopulation_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("population");
        QTest::addColumn<int>("latencyUs");
        QTest::newRow("defaults") << QStringList{"brindle", "--simulator"} << "24c04 4 rtc oled 93c46 x16 lcd" << 0;
        QTest::newRow("other chips") << QStringList{"--sim-24cxx", "24C02", "--sim-93cxx=93c86", "--sim-org", "8"}
                                     << "24c02 4 rtc oled 93c86 x8 lcd" << 0;
        QTest::newRow("24c16 leaves the clock off")
            << QStringList{"--sim-24cxx", "24c16"} << "24c16 4 nortc oled 93c46 x16 lcd" << 0;
        QTest::newRow("24c16 with the clock kept")
            << QStringList{"--sim-pcf8583", "on", "--sim-24cxx", "24c16"} << "24c16 4 rtc oled 93c46 x16 lcd" << 0;
        QTest::newRow("24c08 on A0..A6") << QStringList{"--sim-24cxx", "24c08", "--sim-24cxx-pins", "0"}
                                         << "24c08 0 nortc oled 93c46 x16 lcd" << 0;
        QTest::newRow("nothing fitted")
            << QStringList{"--sim-24cxx",   "none", "--sim-93cxx",  "none", "--sim-pcf8583=off",
                           "--sim-ssd1306", "off",  "--sim-st7565", "off"}
            << "no24 4 nortc nooled no93 x16 nolcd" << 0;
        QTest::newRow("values in any case")
            << QStringList{"--sim-24cxx", "NONE",          "--sim-93cxx", "93C56",        "--sim-pcf8583",
                           "On",          "--sim-ssd1306", "OFF",         "--sim-st7565", "oFF"}
            << "no24 4 rtc nooled 93c56 x16 nolcd" << 0;
        QTest::newRow("latency") << QStringList{"--sim-latency-us", "1500", "-platform", "offscreen"}
                                 << "24c04 4 rtc oled 93c46 x16 lcd" << 1500;
    }
    void optionsChooseThePopulation()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, population);
        QFETCH(int, latencyUs);
        QString error = QStringLiteral("stale");
        const std::optional<SimulatorOptions> options = SimulatorOptions::fromArguments(arguments, error);
        QVERIFY2(options, qPrintable(error));
        QVERIFY(error.isEmpty());
        QCOMPARE(describe(options->population), population);
        QCOMPARE(options->latencyUs, latencyUs);
    }

    void badOptionsAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown option") << QStringList{"--sim-24c", "24c02"} << "Unknown simulator option: --sim-24c";
        QTest::newRow("unknown 24cxx") << QStringList{"--sim-24cxx", "24c32"}
                                       << "--sim-24cxx: \"24c32\" is not one of 24c02, 24c04, 24c08, 24c16, none";
        QTest::newRow("unknown 93cxx")
            << QStringList{"--sim-93cxx=93c06"}
            << "--sim-93cxx: \"93c06\" is not one of 93c46, 93c56, 93c66, 93c76, 93c86, none";
        QTest::newRow("org") << QStringList{"--sim-org", "12"} << "--sim-org: \"12\" is not one of 16, 8";
        QTest::newRow("pins") << QStringList{"--sim-24cxx-pins", "8"}
                              << "--sim-24cxx-pins: \"8\" is not a whole number from 0 to 7";
        QTest::newRow("latency") << QStringList{"--sim-latency-us", "-1"}
                                 << "--sim-latency-us: \"-1\" is not a whole number from 0 to 1000000";
        QTest::newRow("on/off") << QStringList{"--sim-ssd1306", "yes"}
                                << "--sim-ssd1306: \"yes\" is not one of on, off";
        QTest::newRow("access") << QStringList{"--sim-access", "maybe"}
                                << "--sim-access: \"maybe\" is not one of denied, granted";
        QTest::newRow("missing value") << QStringList{"--sim-org"} << "--sim-org needs a value";
        QTest::newRow("option as value") << QStringList{"--sim-log", "--sim-org", "8"} << "--sim-log needs a value";
        QTest::newRow("empty log name") << QStringList{"--sim-log="} << "--sim-log needs a file name";
    }
    void badOptionsAreRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        QString seen;
        QVERIFY(!SimulatorOptions::fromArguments(arguments, seen));
        QCOMPARE(seen, error);
        QVERIFY(!Simulator::fromArguments(arguments, seen));
        QCOMPARE(seen, error);
    }

    void accessCanBeDenied()
    {
        QString error;
        auto denied = Simulator::fromArguments({"--sim-access", "DENIED"}, error);
        QVERIFY2(denied, qPrintable(error));
        QVERIFY(denied->adapter()->accessDenied());
        auto granted = Simulator::fromArguments({"--sim-access=Granted"}, error);
        QVERIFY2(granted, qPrintable(error));
        QVERIFY(!granted->adapter()->accessDenied());
    }

    // "-" is standard output, not a file of that name.
    void logToStandardOutput()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        QFile captured(dir.filePath(QStringLiteral("stdout.txt")));
        QVERIFY(captured.open(QIODevice::WriteOnly));
        std::fflush(stdout);
        const int saved = ::dup(STDOUT_FILENO);
        ::dup2(captured.handle(), STDOUT_FILENO);
        {
            TransferLog log;
            const bool opened = log.writeTo(QStringLiteral("-"));
            TransferRecord record;
            record.in = true;
            record.request = 104;
            record.length = 1;
            record.result = 1;
            log.add(record);
            std::fflush(stdout);
            ::dup2(saved, STDOUT_FILENO);
            ::close(saved);
            QVERIFY(opened);
        }
        captured.close();
        QVERIFY(captured.open(QIODevice::ReadOnly));
        const QString line = QString::fromLatin1(captured.readAll());
        QVERIFY2(QRegularExpression(QStringLiteral("^t=\\d+\\.\\d{6} IN  104 v=0000 i=0000 l=1 out=- in=- r=1\n$"))
                     .match(line)
                     .hasMatch(),
                 qPrintable(line));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("-"))));
    }

    void unwritableLogIsRefused()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("missing/log.txt"));
        QString error;
        QVERIFY(!Simulator::fromArguments({"--sim-log", file}, error));
        QCOMPARE(error, QStringLiteral("--sim-log: cannot write \"%1\"").arg(file));
    }

    // The program's simulator: chips fitted, clock chip at the host's time,
    // every transfer in the log file as it happens.
    void programSimulatorWritesItsLog()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("transfers.log"));
        QString error;
        const QDateTime before = QDateTime::currentDateTime();
        std::unique_ptr<Simulator> simulator =
            Simulator::fromArguments({"brindle", "--simulator", "--sim-log", file}, error);
        QVERIFY2(simulator, qPrintable(error));
        QCoreApplication::processEvents();
        BridgeFirmware &fw = simulator->firmware();
        QVERIFY(fw.eeprom24() && fw.rtc() && fw.oled() && fw.eeprom93() && fw.lcd());
        const int base = (fw.rtc()->registerValue(0x10) << 8) | fw.rtc()->registerValue(0x11);
        const int year = base + (fw.rtc()->registerValue(Pcf8583::YearDate) >> 6);
        QVERIFY(year == before.date().year() || year == before.date().year() + 1);

        TZqLibUSB link(nullptr, simulator.get());
        link.Loaded();
        QVERIFY(link.Connected());
        QVERIFY(link.DevWrite(150, 8, 0, 1));
        TUsbCtrlSet s;
        s.bRequest = 104;
        s.wValue = 0xA0;
        s.wLength = 1;
        QCOMPARE(link.DevRead3(s), 0);
        QFile log(file);
        QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromLatin1(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(withoutTime(lines[0]), QStringLiteral("OUT 150 v=0008 i=0000 l=1 out=00 in=- r=1"));
        QCOMPARE(withoutTime(lines[1]), QStringLiteral("IN  104 v=00A0 i=0000 l=1 out=- in=- r=0"));
        // Seconds since the program started: this test runs after start-up, not long after.
        const double first = secondsOf(lines[0]);
        QVERIFY(first > 0 && first < 600);
        QVERIFY(secondsOf(lines[1]) >= first);
    }

    // A long run keeps a bounded log in memory while the file keeps every transfer.
    void programLogStaysBoundedInMemory()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("transfers.log"));
        QString error;
        std::unique_ptr<Simulator> simulator = Simulator::fromArguments({"--simulator", "--sim-log", file}, error);
        QVERIFY2(simulator, qPrintable(error));
        TZqLibUSB link(nullptr, simulator.get());
        link.Loaded();
        constexpr int sent = 2500;
        for (int i = 0; i < sent; ++i)
            QVERIFY(link.DevWrite(arI2CWrite, 0x78, 0x40, 1024));
        const auto &records = simulator->adapter()->log().records();
        QVERIFY(records.size() < size_t(sent));
        QCOMPARE(records.back().length, quint16(1024));
        QFile log(file);
        QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(log.readAll().count('\n'), sent);
    }
};

int runSimulatorTests(int argc, char **argv)
{
    TestSimulator t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_simulator.moc"
