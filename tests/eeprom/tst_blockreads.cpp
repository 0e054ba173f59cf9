// The 24Cxx engine's block reads: the requests they make, and the fall back
// to one byte per request on an adapter that reads blocks short or wrong.
#include "EngineProbe.h"
#include "ZqEEPROM24Cxx.h"

#include <QtTest>

using namespace sim;

Q_DECLARE_METATYPE(sim::BlockReadFault)

namespace {
// A chip full of distinct bytes, so a shifted or stale byte shows.
struct BlockBench {
    explicit BlockBench(Eeprom24Type type, int blockSize, const QString &addrI2C = QStringLiteral("A8"))
        : bench(population(type))
    {
        engine.SetZqLibUSB(&bench.link());
        engine.SetEepromType(TZqEEPROM24Cxx::TEepromType(type));
        engine.SetAddrI2C(addrI2C);
        engine.SetBlockSize(blockSize);
        engine.OnBlockFallback = [this](QObject *sender) {
            QCOMPARE(sender, &engine);
            ++fallbacks;
        };
        probe.attach(engine);
        chip().setMemory(0, pattern(chip().variant().size, 5));
        bench.simulator().adapter()->log().clear();
    }
    static BusPopulation population(Eeprom24Type type)
    {
        BusPopulation p;
        p.eeprom24 = type;
        p.eeprom24Pins = 0b100;
        p.pcf8583 = false;
        return p;
    }

    Eeprom24Cxx &chip() { return *bench.firmware().eeprom24(); }
    const std::deque<TransferRecord> &records() { return bench.simulator().adapter()->log().records(); }
    QList<int> readLengths()
    {
        QList<int> lengths;
        for (const TransferRecord &r : records())
            if (r.request == arI2CRead)
                lengths << r.length;
        return lengths;
    }

    SimBench bench;
    TZqEEPROM24Cxx engine;
    EngineProbe probe;
    int fallbacks = 0;
};
} // namespace

class TestBlockReads : public QObject {
    Q_OBJECT

private slots:
    // Where order is the behaviour: the probe, then chunks that stop at each
    // 256-byte block and at the chip's end. Size 1 sends no probe.
    void requests_data()
    {
        QTest::addColumn<Eeprom24Type>("type");
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QStringList>("expected");
        QStringList probe250{QStringLiteral("101 v=0064 i=0000 l=0")};
        for (int a = 248; a < 256; ++a)
            probe250 << requestLine(arI2CRead, 0xA8, a, 1);
        probe250 << requestLine(arI2CRead, 0xA8, 248, 8);
        QTest::newRow("across a block") << Eeprom24Type::C04 << 64 << 250 << 20
                                        << (QStringList(probe250) << requestLine(arI2CRead, 0xA8, 250, 6)
                                                                  << requestLine(arI2CRead, 0xAA, 256, 14));
        QStringList probe200{QStringLiteral("101 v=0064 i=0000 l=0")};
        for (int a = 200; a < 208; ++a)
            probe200 << requestLine(arI2CRead, 0xA8, a, 1);
        probe200 << requestLine(arI2CRead, 0xA8, 200, 8);
        QTest::newRow("clipped at the end") << Eeprom24Type::C02 << 32 << 200 << 100
                                            << (QStringList(probe200) << requestLine(arI2CRead, 0xA8, 200, 32)
                                                                      << requestLine(arI2CRead, 0xA8, 232, 24));
        QTest::newRow("size 1: byte by byte")
            << Eeprom24Type::C02 << 1 << 254 << 5
            << QStringList{QStringLiteral("101 v=0064 i=0000 l=0"), requestLine(arI2CRead, 0xA8, 254, 1),
                           requestLine(arI2CRead, 0xA8, 255, 1)};
    }
    void requests()
    {
        QFETCH(Eeprom24Type, type);
        QFETCH(int, blockSize);
        QFETCH(int, address);
        QFETCH(int, bytes);
        QFETCH(QStringList, expected);
        BlockBench b(type, blockSize);
        b.engine.ReadEEPROM(address, bytes);
        QCOMPARE(requestLog(b.bench), expected);
        const int read = qMin(bytes, b.chip().variant().size - address);
        QCOMPARE(b.engine.EEPROM_BUF().left(read), b.chip().memory().mid(address, read));
        QCOMPARE(b.probe.progress.last(), 100);
        QVERIFY(std::is_sorted(b.probe.progress.begin(), b.probe.progress.end()));
        QCOMPARE(b.fallbacks, 0);
    }

    // Whatever the adapter does with blocks, the read comes out right; a
    // faulty one is met in the probe, or later when the fault starts after it.
    void fallBackAndStillReadRight_data()
    {
        QTest::addColumn<Eeprom24Type>("type");
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<BlockReadFault>("fault");
        QTest::addColumn<bool>("faultAfterProbe");
        QTest::addColumn<bool>("fallsBack");
        QTest::newRow("sound adapter") << Eeprom24Type::C16 << 64 << BlockReadFault::None << false << false;
        QTest::newRow("short") << Eeprom24Type::C16 << 64 << BlockReadFault::Short << false << true;
        QTest::newRow("first byte only") << Eeprom24Type::C16 << 64 << BlockReadFault::FirstByte << false << true;
        QTest::newRow("shifted") << Eeprom24Type::C04 << 256 << BlockReadFault::ShiftedByOne << false << true;
        QTest::newRow("short after the probe") << Eeprom24Type::C08 << 16 << BlockReadFault::Short << true << true;
        QTest::newRow("size 1 never asks a block") << Eeprom24Type::C02 << 1 << BlockReadFault::Short << false << false;
    }
    void fallBackAndStillReadRight()
    {
        QFETCH(Eeprom24Type, type);
        QFETCH(int, blockSize);
        QFETCH(BlockReadFault, fault);
        QFETCH(bool, faultAfterProbe);
        QFETCH(bool, fallsBack);
        BlockBench b(type, blockSize);
        const int size = b.chip().variant().size;
        if (faultAfterProbe)
            b.engine.ReadEEPROM(0, 8);
        b.bench.firmware().setBlockReadFault(fault);
        b.bench.simulator().adapter()->log().clear();
        b.engine.ReadEEPROM(0, size);
        QCOMPARE(b.engine.EEPROM_BUF(), b.chip().memory());
        QCOMPARE(b.probe.ends.last(), (ActionEnd{eaRead, size}));
        QCOMPARE(b.engine.BlockFallback(), fallsBack);
        QCOMPARE(b.fallbacks, fallsBack ? 1 : 0);
        for (int length : b.readLengths())
            QVERIFY2(length <= blockSize || length == TZqEEPROM24Cxx::ProbeBytes, qPrintable(QString::number(length)));

        // The rest of the connection reads byte by byte without asking again.
        b.bench.simulator().adapter()->log().clear();
        b.engine.ReadEEPROM(0, size);
        QCOMPARE(b.engine.EEPROM_BUF(), b.chip().memory());
        const QList<int> lengths = b.readLengths();
        QCOMPARE(lengths.size(), fallsBack || blockSize == 1 ? size : size / blockSize);
        QCOMPARE(b.fallbacks, fallsBack ? 1 : 0);
    }

    // A new connection is asked again: the adapter may have been swapped.
    void newConnectionIsProbedAgain()
    {
        BlockBench b(Eeprom24Type::C04, 64);
        b.bench.firmware().setBlockReadFault(BlockReadFault::FirstByte);
        b.engine.ReadEEPROM(0, 512);
        QVERIFY(b.engine.BlockFallback());
        b.bench.replug();
        QVERIFY(!b.engine.BlockFallback());
        b.bench.firmware().setBlockReadFault(BlockReadFault::None);
        b.bench.simulator().adapter()->log().clear();
        b.engine.ReadEEPROM(0, 512);
        QCOMPARE(b.engine.EEPROM_BUF(), b.chip().memory());
        QCOMPARE(b.readLengths().size(), 8 + 1 + 512 / 64);
        QVERIFY(!b.engine.BlockFallback());
        QCOMPARE(b.fallbacks, 1);
    }

    // A chip that does not answer is no verdict on the adapter.
    void absentChipDoesNotFallBack()
    {
        BlockBench b(Eeprom24Type::C04, 64, QStringLiteral("A0"));
        b.engine.ReadEEPROM(0, 512);
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaRead, 0}}));
        QVERIFY(!b.engine.BlockFallback());
        QCOMPARE(b.fallbacks, 0);
    }

    void blockSizeIsClamped_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("kept");
        QTest::newRow("0") << 0 << 1;
        QTest::newRow("-5") << -5 << 1;
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("256") << 256 << 256;
        QTest::newRow("257") << 257 << 256;
    }
    void blockSizeIsClamped()
    {
        QFETCH(int, set);
        QFETCH(int, kept);
        TZqEEPROM24Cxx engine;
        QCOMPARE(engine.BlockSize(), TZqEEPROM24Cxx::DefaultBlockSize);
        engine.SetBlockSize(set);
        QCOMPARE(engine.BlockSize(), kept);
    }
};

int runBlockReadTests(int argc, char **argv)
{
    TestBlockReads t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_blockreads.moc"
