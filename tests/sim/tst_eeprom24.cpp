// 24Cxx models driven through the device link with requests 103 and 104.
#include "Eeprom24Cxx.h"
#include "SimBench.h"

#include <QtTest>

using namespace sim;

namespace {
BusPopulation with24(Eeprom24Type type, int pins = 0b100)
{
    BusPopulation p;
    p.eeprom24 = type;
    p.eeprom24Pins = pins;
    p.pcf8583 = false; // leaves every address of the family to the EEPROM
    return p;
}

// The device byte the engines compose: family code, pins, block bits.
int deviceByte(int pins, int blockBits, int address)
{
    const int pinPart = (pins << 1) & ((0x0E << blockBits) & 0x0E);
    return 0xA0 | pinPart | (((address >> 8) << 1) & ((1 << (blockBits + 1)) - 2));
}

void addVariantRows()
{
    QTest::addColumn<Eeprom24Type>("type");
    QTest::newRow("24c02") << Eeprom24Type::C02;
    QTest::newRow("24c04") << Eeprom24Type::C04;
    QTest::newRow("24c08") << Eeprom24Type::C08;
    QTest::newRow("24c16") << Eeprom24Type::C16;
}
} // namespace

class TestEeprom24 : public QObject {
    Q_OBJECT

private slots:
    void erasedAndAnswering_data() { addVariantRows(); }
    void erasedAndAnswering()
    {
        QFETCH(Eeprom24Type, type);
        SimBench bench(with24(type));
        QVERIFY(bench.connected());
        const Eeprom24Variant &v = eeprom24Variant(type);
        QCOMPARE(bench.firmware().eeprom24()->memory(), QByteArray(v.size, char(0xFF)));
        QCOMPARE(bench.i2cRead(deviceByte(0b100, v.blockBits, 0), 0, 4), QByteArray(4, char(0xFF)));
    }

    // A write of more than a page from the middle of it wraps to the page start.
    void pageWriteRollsOverInsidePage_data() { addVariantRows(); }
    void pageWriteRollsOverInsidePage()
    {
        QFETCH(Eeprom24Type, type);
        SimBench bench(with24(type));
        const Eeprom24Variant &v = eeprom24Variant(type);
        const int pageStart = 3 * v.page;
        QByteArray data;
        for (int i = 0; i < v.page + 2; ++i)
            data += char(0x10 + i);
        QCOMPARE(bench.i2cWrite(deviceByte(0b100, v.blockBits, pageStart), pageStart + 4, data), data.size());

        QByteArray expected(v.size, char(0xFF));
        for (int i = 0; i < data.size(); ++i)
            expected[pageStart + (4 + i) % v.page] = data[i];
        QCOMPARE(bench.firmware().eeprom24()->memory(), expected);
    }

    // The memory address bits above 7 travel in the device byte.
    void blockBitsAddressTheMemory_data()
    {
        QTest::addColumn<Eeprom24Type>("type");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("device");
        QTest::newRow("24c04 0x1A3") << Eeprom24Type::C04 << 0x1A3 << 0xAA;
        QTest::newRow("24c08 0x3A3") << Eeprom24Type::C08 << 0x3A3 << 0xAE;
        QTest::newRow("24c16 0x5A3") << Eeprom24Type::C16 << 0x5A3 << 0xAA; // bits 3..1 = 101
        QTest::newRow("24c16 0x7FF") << Eeprom24Type::C16 << 0x7FF << 0xAE;
    }
    void blockBitsAddressTheMemory()
    {
        QFETCH(Eeprom24Type, type);
        QFETCH(int, address);
        QFETCH(int, device);
        SimBench bench(with24(type));
        // wIndex carries the whole address; only its low byte goes on the bus.
        QCOMPARE(bench.i2cWrite(device, address, "\x5A"), 1);
        const QByteArray memory = bench.firmware().eeprom24()->memory();
        QCOMPARE(memory[address], '\x5A');
        QCOMPARE(memory.count('\x5A'), 1);
        bench.clock.advanceMs(5);
        QCOMPARE(bench.i2cRead(device, address & 0xFF, 1), QByteArray("\x5A"));
    }

    // Which of the eight device bytes A0..AE a part answers, by its pins.
    void answersOnlyItsOwnAddresses_data()
    {
        QTest::addColumn<Eeprom24Type>("type");
        QTest::addColumn<int>("pins");
        QTest::addColumn<QString>("answering"); // one mark per device byte A0, A2, ... AE
        QTest::newRow("24c02 pins 100") << Eeprom24Type::C02 << 0b100 << "....x...";
        QTest::newRow("24c02 pins 011") << Eeprom24Type::C02 << 0b011 << "...x....";
        QTest::newRow("24c04 pins 100") << Eeprom24Type::C04 << 0b100 << "....xx..";
        QTest::newRow("24c04 pins 01x") << Eeprom24Type::C04 << 0b011 << "..xx....";
        QTest::newRow("24c08 pin A2 high") << Eeprom24Type::C08 << 0b100 << "....xxxx";
        QTest::newRow("24c08 pin A2 low") << Eeprom24Type::C08 << 0b000 << "xxxx....";
        QTest::newRow("24c16 no pins") << Eeprom24Type::C16 << 0b000 << "xxxxxxxx";
    }
    void answersOnlyItsOwnAddresses()
    {
        QFETCH(Eeprom24Type, type);
        QFETCH(int, pins);
        QFETCH(QString, answering);
        SimBench bench(with24(type, pins));
        QString seen;
        for (int device = 0xA0; device <= 0xAE; device += 2)
            seen += bench.read(104, device, 0, 1) >= 1 ? QLatin1Char('x') : QLatin1Char('.');
        QCOMPARE(seen, answering);
    }

    void absentDeviceFailsBothWays()
    {
        SimBench bench(with24(Eeprom24Type::C04));
        bench.link().DevBuffer.fill('\x77');
        QCOMPARE(bench.read(104, 0xA0, 0, 1), 0);
        QCOMPARE(bench.link().DevBuffer[0], '\0'); // the link's zero byte after an empty reply
        QCOMPARE(bench.i2cWrite(0xA0, 0, "\x01"), -EPIPE);
        TUsbCtrlSet s;
        s.bRequest = arI2CWrite;
        s.wValue = 0xA0;
        s.wLength = 1;
        QVERIFY(!bench.link().DevWriteOffset2(s, 0));
        QCOMPARE(bench.firmware().eeprom24()->memory().count(char(0xFF)), 512);
    }

    // tWR: nothing is acknowledged until the cycle is over (acknowledge polling).
    void writeCycleHidesTheChip()
    {
        SimBench bench(with24(Eeprom24Type::C02));
        QCOMPARE(bench.i2cWrite(0xA8, 0x10, "AB"), 2);
        QCOMPARE(bench.read(104, 0xA8, 0x10, 2), 0);
        QCOMPARE(bench.i2cWrite(0xA8, 0x20, "C"), -EPIPE);
        bench.clock.advanceUs(4999);
        QVERIFY(bench.firmware().eeprom24()->busy());
        QCOMPARE(bench.read(104, 0xA8, 0x10, 2), 0);
        bench.clock.advanceUs(1);
        QCOMPARE(bench.i2cRead(0xA8, 0x10, 2), QByteArray("AB"));
        QCOMPARE(bench.firmware().eeprom24()->memory()[0x20], char(0xFF)); // the refused write left no trace
    }

    // A transfer with only the word address (the dummy write of a read) starts no cycle.
    void addressOnlyWriteStartsNoCycle()
    {
        SimBench bench(with24(Eeprom24Type::C02));
        QCOMPARE(bench.i2cWrite(0xA8, 0x10, {}), 0);
        QVERIFY(!bench.firmware().eeprom24()->busy());
        QCOMPARE(bench.i2cRead(0xA8, 0x10, 1), QByteArray("\xFF"));
    }

    void sequentialReadRollsOverAtTheEnd()
    {
        SimBench bench(with24(Eeprom24Type::C04));
        bench.firmware().eeprom24()->setMemory(510, "xyAB");
        QCOMPARE(bench.i2cRead(0xAA, 0xFE, 4), QByteArray("xyAB"));
    }

    void replugKeepsMemoryAndClearsTheCycle()
    {
        SimBench bench(with24(Eeprom24Type::C16, 0));
        QCOMPARE(bench.i2cWrite(0xA4, 0x33, "Q"), 1);
        bench.replug();
        QCOMPARE(bench.i2cRead(0xA4, 0x33, 1), QByteArray("Q"));
    }
};

int runEeprom24Tests(int argc, char **argv)
{
    TestEeprom24 t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_eeprom24.moc"
