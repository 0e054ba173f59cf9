// The 24Cxx engine against the virtual 24C02..24C16 on the simulated adapter:
// what the chip ends up holding, the requests where their order is the
// behaviour, and the events.
#include "EngineProbe.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqHexView.h"

#include <QtTest>

using namespace sim;

namespace {
constexpr auto Steady = SimBench::ChipTime::Steady;

BusPopulation with24(Eeprom24Type type, int pins, bool clockChip)
{
    BusPopulation p;
    p.eeprom24 = type;
    p.eeprom24Pins = pins;
    p.pcf8583 = clockChip;
    return p;
}

// An engine on a bench whose one EEPROM is of the engine's type.
struct Bench24 {
    explicit Bench24(Eeprom24Type type, int pins = 0b100, const QString &addrI2C = QStringLiteral("A8"),
                     bool clockChip = false)
        : bench(with24(type, pins, clockChip), Steady)
    {
        engine.SetZqLibUSB(&bench.link());
        engine.SetEepromType(TZqEEPROM24Cxx::TEepromType(type));
        engine.SetAddrI2C(addrI2C);
        probe.attach(engine);
        clearLog();
    }

    SimBench bench;
    TZqEEPROM24Cxx engine;
    EngineProbe probe;

    Eeprom24Cxx &chip() { return *bench.firmware().eeprom24(); }
    int size() { return chip().variant().size; }
    VirtualAdapter &adapter() { return *bench.simulator().adapter(); }
    const std::deque<TransferRecord> &records() { return adapter().log().records(); }
    void clearLog() { adapter().log().clear(); }
    QStringList writes()
    {
        QStringList lines;
        for (const TransferRecord &r : records())
            if (r.request == arI2CWrite)
                lines << QStringLiteral("%1:%2:%3").arg(r.index, 0, 16).arg(r.length).arg(r.value, 0, 16).toUpper();
        return lines;
    }
};

QByteArray erased(int n) { return QByteArray(n, char(0xFF)); }

QByteArray placed(QByteArray memory, int at, const QByteArray &bytes)
{
    memory.replace(at, bytes.size(), bytes);
    return memory;
}

void addStrappingRows()
{
    QTest::addColumn<Eeprom24Type>("type");
    QTest::addColumn<int>("pins");
    QTest::addColumn<QString>("addrI2C");
    QTest::newRow("24c02 at A8") << Eeprom24Type::C02 << 0b100 << "A8";
    QTest::newRow("24c02 at A6") << Eeprom24Type::C02 << 0b011 << "A6";
    QTest::newRow("24c04 at A8") << Eeprom24Type::C04 << 0b100 << "A8";
    QTest::newRow("24c08 at A8") << Eeprom24Type::C08 << 0b100 << "A8";
    QTest::newRow("24c08 at A0") << Eeprom24Type::C08 << 0b000 << "A0";
    QTest::newRow("24c16, AddrI2C A8") << Eeprom24Type::C16 << 0b000 << "A8";
}
} // namespace

class TestEngine24 : public QObject {
    Q_OBJECT

private slots:
    // Write a pattern across page and block boundaries, read all back, erase,
    // read again; then a read that runs past the end.
    void roundTrip_data() { addStrappingRows(); }
    void roundTrip()
    {
        QFETCH(Eeprom24Type, type);
        QFETCH(int, pins);
        QFETCH(QString, addrI2C);
        Bench24 b(type, pins, addrI2C);
        const int size = b.size();
        const int at = size / 2 - 19; // odd, and across the middle block boundary
        const QByteArray data = pattern(45);
        const QByteArray expected = placed(erased(size), at, data);

        b.engine.WriteEEPROM(data, at);
        QCOMPARE(b.chip().memory(), expected);
        b.engine.ReadEEPROM(0, size);
        QCOMPARE(b.engine.EEPROM_BUF(), expected);
        QCOMPARE(b.probe.view.shown.size(), 1);
        QCOMPARE(b.probe.view.shown[0].bytes, expected);
        QCOMPARE(b.probe.view.shown[0].start, 0);

        b.engine.WriteEEPROM(QByteArray(), 123);
        QCOMPARE(b.chip().memory(), erased(size));
        b.engine.ReadEEPROM(0, size);
        QCOMPARE(b.engine.EEPROM_BUF(), erased(size));

        b.chip().setMemory(size - 5, "tail!");
        b.engine.ReadEEPROM(size - 5, 100);
        QCOMPARE(b.probe.view.shown.last().bytes, QByteArray("tail!"));
        QCOMPARE(b.probe.view.shown.last().start, size - 5);
        QCOMPARE(b.probe.ends,
                 (QList<ActionEnd>{{eaWrite, 45}, {eaRead, size}, {eaErase, size}, {eaRead, size}, {eaRead, 5}}));
    }

    // More than the link's 1024-byte buffer goes out in chunks all the same.
    void textLongerThanTheLinkBuffer()
    {
        Bench24 b(Eeprom24Type::C16);
        const QByteArray text = pattern(1500, 3);
        b.engine.WriteEEPROM(text, 301);
        QCOMPARE(b.chip().memory(), placed(erased(2048), 301, text));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, 1500}}));
        for (const TransferRecord &r : b.records())
            QVERIFY(r.length <= TZqEEPROM24Cxx::MaxChunk);
    }

    // Block size 1: one 104 per byte; the block bits of the address in the device byte.
    void readRequests_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("read");
        QTest::newRow("whole 24c04") << 0 << 512 << 512;
        QTest::newRow("clipped at the end") << 500 << 100 << 12;
        QTest::newRow("beyond the end") << 600 << 10 << 0;
        QTest::newRow("none asked") << 7 << 0 << 0;
    }
    void readRequests()
    {
        QFETCH(int, address);
        QFETCH(int, bytes);
        QFETCH(int, read);
        Bench24 b(Eeprom24Type::C04);
        b.engine.SetBlockSize(1); // one request per byte
        b.engine.ReadEEPROM(address, bytes);
        QStringList expected{QStringLiteral("101 v=0064 i=0000 l=0")};
        for (int a = address; a < address + read; ++a)
            expected << requestLine(arI2CRead, a < 256 ? 0xA8 : 0xAA, a, 1);
        QCOMPARE(requestLog(b.bench), expected);
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaRead, read}}));
        QCOMPARE(b.probe.view.shown.size(), read > 0 ? 1 : 0);
    }

    // Each chunk stays in its write page and inside the chip; the device byte
    // carries the block. Rows: "address:length:device byte" per request.
    void writeRequests_data()
    {
        QTest::addColumn<Eeprom24Type>("type");
        QTest::addColumn<int>("pins");
        QTest::addColumn<QString>("addrI2C");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("chunks");
        QTest::newRow("20 at 6, 8-byte page")
            << Eeprom24Type::C02 << 0b100 << "A8" << 6 << 20 << QStringList{"6:2:A8", "8:8:A8", "10:8:A8", "18:2:A8"};
        QTest::newRow("10 at 250 on a 24c04")
            << Eeprom24Type::C04 << 0b100 << "A8" << 250 << 10 << QStringList{"FA:6:A8", "100:4:AA"};
        QTest::newRow("24c16 at 5A3") << Eeprom24Type::C16 << 0 << "A8" << 0x5A3 << 1 << QStringList{"5A3:1:AA"};
        QTest::newRow("24c16 at 1A3") << Eeprom24Type::C16 << 0 << "A8" << 0x1A3 << 1 << QStringList{"1A3:1:A2"};
        QTest::newRow("24c08 at A8, block 3")
            << Eeprom24Type::C08 << 0b100 << "A8" << 0x3F0 << 3 << QStringList{"3F0:3:AE"};
        QTest::newRow("24c08 at A0, block 3")
            << Eeprom24Type::C08 << 0b000 << "A0" << 0x3F0 << 3 << QStringList{"3F0:3:A6"};
        QTest::newRow("24c02, past the end")
            << Eeprom24Type::C02 << 0b100 << "A8" << 250 << 10 << QStringList{"FA:6:A8"};
        QTest::newRow("24c16, past the end") << Eeprom24Type::C16 << 0 << "A8" << 0x7FC << 9 << QStringList{"7FC:4:AE"};
        QTest::newRow("beyond the end") << Eeprom24Type::C04 << 0b100 << "A8" << 512 << 4 << QStringList{};
    }
    void writeRequests()
    {
        QFETCH(Eeprom24Type, type);
        QFETCH(int, pins);
        QFETCH(QString, addrI2C);
        QFETCH(int, at);
        QFETCH(int, length);
        QFETCH(QStringList, chunks);
        Bench24 b(type, pins, addrI2C);
        const QByteArray data = pattern(length, 1);
        b.engine.WriteEEPROM(data, at);
        QCOMPARE(b.writes(), chunks);
        const int written = qMax(0, qMin(length, b.size() - at));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, written}}));
        QCOMPARE(b.chip().memory(), placed(erased(b.size()), at, data.left(written)));
    }

    // Blank text erases the whole chip, eight bytes of FF per request.
    void blankTextErases_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("spaces") << QByteArray("    ");
        QTest::newRow("control characters") << QByteArray("\t\r\n \x01");
    }
    void blankTextErases()
    {
        QFETCH(QByteArray, text);
        Bench24 b(Eeprom24Type::C02);
        b.chip().setMemory(0, pattern(256));
        b.clearLog();
        b.engine.WriteEEPROM(text, 77);
        QCOMPARE(b.chip().memory(), erased(256));
        QStringList expected;
        for (int a = 0; a < 256; a += 8)
            expected << QStringLiteral("%1:8:A8").arg(a, 0, 16).toUpper();
        QCOMPARE(b.writes(), expected);
        for (const TransferRecord &r : b.records())
            QVERIFY(r.request != arI2CWrite || r.bytesOut == erased(8));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaErase, 256}}));
        QVERIFY(b.probe.progressActions.count(eaErase) == 32);
    }

    void textWithSpacesKeepsThem()
    {
        Bench24 b(Eeprom24Type::C02);
        b.engine.WriteEEPROM(" a b ", 3);
        QCOMPARE(b.chip().memory().mid(3, 5), QByteArray(" a b "));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, 5}}));
    }

    // A write past the chip's end no longer runs on into the next device: a
    // 24C02 at A0 would have written the clock chip at A2.
    void writeStopsAtTheChipsEnd()
    {
        Bench24 b(Eeprom24Type::C02, 0b000, QStringLiteral("A0"), true);
        b.engine.WriteEEPROM("0123456789", 250);
        for (const TransferRecord &r : b.records())
            QVERIFY2(r.request != arI2CWrite || r.value == 0xA0, qPrintable(r.toLine()));
        QCOMPARE(b.chip().memory().mid(250), QByteArray("012345"));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, 6}}));
        QCOMPARE(b.probe.progress.last(), 98); // 256 of the 260 asked for
    }

    void bitrateRange_data()
    {
        QTest::addColumn<int>("khz");
        QTest::addColumn<bool>("sent");
        QTest::newRow("4") << 4 << false;
        QTest::newRow("5") << 5 << true;
        QTest::newRow("900") << 900 << true;
        QTest::newRow("901") << 901 << false;
    }
    void bitrateRange()
    {
        QFETCH(int, khz);
        QFETCH(bool, sent);
        Bench24 b(Eeprom24Type::C02);
        b.engine.SetI2C_BitrateKhz(khz);
        b.engine.ReadEEPROM(0, 1);
        QStringList expected{QStringLiteral("104 v=00A8 i=0000 l=1")};
        if (sent)
            expected.prepend(requestLine(arI2CBitrate, khz, 0, 0));
        QCOMPARE(requestLog(b.bench), expected);
        QCOMPARE(b.bench.firmware().i2cClockKhz(), sent ? khz : 100);
    }

    void addrI2CText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("device");
        QTest::newRow("A0") << "A0"
                            << "A0" << 0xA0;
        QTest::newRow("$A2") << "$A2"
                             << "A2" << 0xA2;
        QTest::newRow("lower case") << "ae"
                                    << "AE" << 0xAE;
        QTest::newRow("low 8 bits") << "1A4"
                                    << "A4" << 0xA4;
        QTest::newRow("no number") << "xyz"
                                   << "A8" << 0xA8;
        QTest::newRow("empty") << ""
                               << "A8" << 0xA8;
        QTest::newRow("signed") << "-8"
                                << "A8" << 0xA8;
    }
    void addrI2CText()
    {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(int, device);
        TZqEEPROM24Cxx engine;
        engine.SetEepromType(TZqEEPROM24Cxx::et24c02);
        engine.SetAddrI2C(text);
        QCOMPARE(engine.AddrI2C(), stored);
        QCOMPARE(int(engine.DeviceByte(0)), device);
    }

    void typeRows_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("page");
        QTest::newRow("24c02") << 0 << 256 << 8;
        QTest::newRow("24c04") << 1 << 512 << 8;
        QTest::newRow("24c08") << 2 << 1024 << 16;
        QTest::newRow("24c16") << 3 << 2048 << 16;
        QTest::newRow("outside: only stored") << 7 << 2048 << 16;
    }
    void typeRows()
    {
        QFETCH(int, type);
        QFETCH(int, size);
        QFETCH(int, page);
        TZqEEPROM24Cxx engine;
        QCOMPARE(engine.BufferSize(), 512);
        QCOMPARE(engine.EEPROM_BUF().size(), 512);
        engine.SetEepromType(TZqEEPROM24Cxx::et24c16);
        engine.SetEepromType(TZqEEPROM24Cxx::TEepromType(type));
        QCOMPARE(int(engine.EepromType()), type);
        QCOMPARE(engine.BufferSize(), size);
        QCOMPARE(engine.EEPROM_BUF().size(), size);
        QCOMPARE(engine.PageWrite(), page);
    }

    // Against the end address, halves to even: 12.5 gives 12, 37.5 gives 38.
    void progressPercentages_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("percents");
        QTest::newRow("read 8") << false << 0 << 8 << QList<int>{12, 25, 38, 50, 62, 75, 88, 100};
        QTest::newRow("write 64") << true << 0 << 64 << QList<int>{12, 25, 38, 50, 62, 75, 88, 100};
        QTest::newRow("write 20 at 6") << true << 6 << 20 << QList<int>{31, 62, 92, 100};
        QTest::newRow("read from 252") << false << 252 << 3 << QList<int>{99, 100, 100};
    }
    void progressPercentages()
    {
        QFETCH(bool, write);
        QFETCH(int, at);
        QFETCH(int, count);
        QFETCH(QList<int>, percents);
        Bench24 b(Eeprom24Type::C02);
        b.engine.SetBlockSize(1); // one request per byte
        if (write)
            b.engine.WriteEEPROM(pattern(count), at);
        else
            b.engine.ReadEEPROM(at, count);
        QCOMPARE(b.probe.progress, percents);
        QVERIFY(b.probe.progressActions.count(write ? eaWrite : eaRead) == percents.size());
    }

    void readFromTheMiddleStartsAtHalf()
    {
        Bench24 b(Eeprom24Type::C04);
        b.engine.SetBlockSize(1); // one request per byte
        b.engine.ReadEEPROM(256, 256);
        QCOMPARE(b.probe.progress.first(), 50);
        QCOMPARE(b.probe.progress.size(), 256);
        QCOMPARE(b.probe.progress.last(), 100);
    }

    // Without a link, or with one that has no adapter, nothing is sent and nothing raised.
    void nothingWithoutAdapter_data()
    {
        QTest::addColumn<bool>("linked");
        QTest::newRow("adapter pulled") << true;
        QTest::newRow("no link") << false;
    }
    void nothingWithoutAdapter()
    {
        QFETCH(bool, linked);
        Bench24 b(Eeprom24Type::C04);
        if (linked)
            b.bench.pull();
        else
            b.engine.SetZqLibUSB(nullptr);
        b.engine.ReadEEPROM(0, 16);
        b.engine.WriteEEPROM("abc", 0);
        b.engine.WriteEEPROM("", 0);
        b.engine.SetBitrate(100);
        QVERIFY(b.probe.silent());
        QVERIFY(b.records().empty());
    }

    // A transfer that fails ends the operation; the events tell what was done.
    void failureMidwayReportsTrueCount_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<bool>("pull");
        QTest::addColumn<int>("transfersFirst");
        QTest::addColumn<int>("bytes");
        QTest::newRow("read, adapter pulled") << false << true << 1 + 100 << 100;
        QTest::newRow("read, transfer fails") << false << false << 1 + 37 << 37;
        QTest::newRow("write, adapter pulled") << true << true << 1 + 3 << 24;
        QTest::newRow("write, transfer fails") << true << false << 1 + 2 << 16;
    }
    void failureMidwayReportsTrueCount()
    {
        QFETCH(bool, write);
        QFETCH(bool, pull);
        QFETCH(int, transfersFirst);
        QFETCH(int, bytes);
        Bench24 b(Eeprom24Type::C04);
        b.engine.SetBlockSize(1); // one request per byte
        b.chip().setMemory(0, pattern(512, 1));
        const QByteArray data = pattern(100, 2);
        // The pull comes after the transfer that answered; an injected fault instead of it.
        if (pull)
            b.adapter().pullAfterTransfers(transfersFirst);
        else
            b.engine.OnProgress = [&b, transfersFirst](QObject *, TEepromAction, int) {
                if (int(b.records().size()) == transfersFirst)
                    b.adapter().failNextTransfers(1);
            };
        if (write)
            b.engine.WriteEEPROM(data, 0);
        else
            b.engine.ReadEEPROM(0, 512);
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{write ? eaWrite : eaRead, bytes}}));
        if (write) {
            QCOMPARE(b.chip().memory().left(bytes), data.left(bytes));
            QCOMPARE(b.chip().memory().mid(bytes), pattern(512, 1).mid(bytes));
        } else {
            QCOMPARE(b.probe.view.shown.size(), 1);
            QCOMPARE(b.probe.view.shown[0].bytes, pattern(512, 1).left(bytes));
        }
        QCoreApplication::processEvents();
        QCOMPARE(b.bench.connected(), !pull);
    }

    // Operations started from inside a running one do nothing; a type chosen
    // meanwhile takes effect when it ends.
    void operationStartedFromAnEventDoesNothing()
    {
        Bench24 b(Eeprom24Type::C04);
        int nested = 0;
        b.engine.OnProgress = [&](QObject *, TEepromAction, int) {
            if (nested++ == 3) {
                const std::size_t before = b.records().size();
                b.engine.ReadEEPROM(0, 10);
                b.engine.WriteEEPROM("xy", 0);
                b.engine.SetEepromType(TZqEEPROM24Cxx::et24c02);
                QCOMPARE(b.records().size(), before);
            }
        };
        b.engine.ReadEEPROM(0, 512);
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaRead, 512}}));
        QCOMPARE(b.probe.view.shown[0].bytes, erased(512));
        QCOMPARE(b.engine.EepromType(), TZqEEPROM24Cxx::et24c02);
        QCOMPARE(b.engine.BufferSize(), 256);
        QCOMPARE(b.engine.EEPROM_BUF().size(), 256);
    }

    // The real hex view takes the read; the reference clears itself when the view goes.
    void handsTheReadToTheHexView()
    {
        Bench24 b(Eeprom24Type::C02);
        b.chip().setMemory(0x10, "Brindle");
        auto *view = new TZqHexView;
        b.engine.SetZqHexView(view);
        b.engine.ReadEEPROM(0x10, 7);
        QVERIFY(view->toPlainText().contains(QLatin1String("010  42 72 69 6E 64 6C 65")));
        QVERIFY(view->toPlainText().contains(QLatin1String("Brindle")));
        delete view;
        QCOMPARE(b.engine.ZqHexView(), nullptr);
        b.engine.ReadEEPROM(0x10, 7);
        QCOMPARE(b.probe.ends.size(), 2);

        QObject notAView;
        b.engine.SetZqHexView(&notAView);
        b.engine.ReadEEPROM(0, 1);
        QCOMPARE(b.probe.ends.size(), 3);
    }

    void linkReferenceClearsItself()
    {
        TZqEEPROM24Cxx engine;
        {
            SimBench bench;
            engine.SetZqLibUSB(&bench.link());
            QCOMPARE(engine.ZqLibUSB(), &bench.link());
        }
        QCOMPARE(engine.ZqLibUSB(), nullptr);
        engine.ReadEEPROM(0, 1);
    }
};

int runEngine24Tests(int argc, char **argv)
{
    TestEngine24 t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_engine24.moc"
