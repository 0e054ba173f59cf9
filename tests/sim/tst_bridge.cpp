// The bridge firmware's side of the request protocol, seen through the
// device link: replies, results, and what the buses do with a request.
#include "Eeprom24Cxx.h"
#include "Eeprom93Cxx.h"
#include "Pcf8583.h"
#include "SimBench.h"

#include <QtTest>

using namespace sim;

class TestBridge : public QObject {
    Q_OBJECT

private slots:
    // 101 both ways: accepted 1..1000 kHz; the device-to-host form replies
    // with the clock set, low byte first; a host-to-device data stage is
    // taken whole (and ignored).
    void i2cClockBothWays_data()
    {
        QTest::addColumn<bool>("in");
        QTest::addColumn<int>("khz");
        QTest::addColumn<int>("stage");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("clockAfter");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("out 400") << false << 400 << 0 << 0 << 400 << QByteArray();
        QTest::newRow("out 5") << false << 5 << 0 << 0 << 5 << QByteArray();
        QTest::newRow("out 400 with a data stage") << false << 400 << 254 << 254 << 400 << QByteArray();
        QTest::newRow("out 100 with one byte") << false << 100 << 1 << 1 << 100 << QByteArray();
        QTest::newRow("in 700") << true << 700 << 254 << 2 << 700 << QByteArray("\xBC\x02\x00", 3);
        QTest::newRow("in 1000") << true << 1000 << 254 << 2 << 1000 << QByteArray("\xE8\x03\x00", 3);
        QTest::newRow("in 0") << true << 0 << 254 << -EPIPE << 100 << QByteArray();
        QTest::newRow("out 1001") << false << 1001 << 0 << -EPIPE << 100 << QByteArray();
        QTest::newRow("out 1001 with a data stage") << false << 1001 << 8 << -EPIPE << 100 << QByteArray();
    }
    void i2cClockBothWays()
    {
        QFETCH(bool, in);
        QFETCH(int, khz);
        QFETCH(int, stage);
        QFETCH(int, result);
        QFETCH(int, clockAfter);
        QFETCH(QByteArray, reply);
        SimBench bench;
        bench.link().DevBuffer.fill('\x5A');
        QCOMPARE(in ? bench.read(101, khz, 0, stage) : bench.write(101, khz, 0, QByteArray(stage, 'x')), result);
        QCOMPARE(bench.firmware().i2cClockKhz(), clockAfter);
        if (!reply.isEmpty())
            QCOMPARE(bench.buffer(3), reply);
    }

    // The link writes a 0 after every reply, whatever its length.
    void zeroByteAfterEveryReply_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("result");
        QTest::newRow("104 clock, 6") << 104 << 0xA2 << 2 << 6 << 6;
        QTest::newRow("104 EEPROM, 1") << 104 << 0xA8 << 0 << 1 << 1;
        QTest::newRow("104 nobody") << 104 << 0xA4 << 0 << 1 << 0;
        QTest::newRow("101 in") << 101 << 700 << 0 << 254 << 2;
        QTest::newRow("158 two") << 158 << 0 << 16 << 2 << 2;
        QTest::newRow("158 one") << 158 << 0x130 << 9 << 1 << 1;
    }
    void zeroByteAfterEveryReply()
    {
        QFETCH(int, request);
        QFETCH(int, value);
        QFETCH(int, index);
        QFETCH(int, length);
        QFETCH(int, result);
        SimBench bench;
        bench.openLines();
        bench.link().DevBuffer.fill('\x5A');
        QCOMPARE(bench.read(request, value, index, length), result);
        QCOMPARE(bench.link().DevBuffer[result], '\0');
        QCOMPARE(bench.link().DevBuffer[result + 1], '\x5A');
    }

    // The clock page writes with bit 8 of wValue set; the device is bits 7..0.
    void clockWriteWithHighByteInValue()
    {
        SimBench bench;
        QCOMPARE(bench.i2cWrite(0x01A2, 0x10, QByteArray("\x07\xE0", 2)), 2);
        QCOMPARE(bench.firmware().rtc()->registerValue(0x10), std::uint8_t(0x07));
        QCOMPARE(bench.firmware().rtc()->registerValue(0x11), std::uint8_t(0xE0));
        QCOMPARE(bench.firmware().eeprom24()->memory(), QByteArray(512, char(0xFF)));
    }

    // 102 writes the low byte of wIndex, then the high byte, in one transfer.
    void commandRequestSendsIndexLowThenHigh()
    {
        BusPopulation p;
        p.ssd1306 = false;
        p.pcf8583 = false;
        SimBench bench(p);
        QCOMPARE(bench.write(102, 0xA8, 0x4142, {}, 254), 254); // word address 0x42, data 0x41
        QCOMPARE(bench.firmware().eeprom24()->memory()[0x42], 'A');
        QCOMPARE(bench.write(102, 0x78, 0xAF00, {}, 254), -EPIPE); // no display fitted
    }

    // Two chips at one address both take a write and AND their bytes on a read.
    void sharedAddressIsOpenDrain()
    {
        BusPopulation p;
        p.eeprom24 = Eeprom24Type::C16; // answers A0..AE, the clock's A2 too
        SimBench bench(p);
        bench.firmware().eeprom24()->setMemory(0x130, QByteArray("\x0F\xF0", 2));
        bench.firmware().rtc()->setRegister(0x30, 0x3C);
        bench.firmware().rtc()->setRegister(0x31, 0x3C);
        QCOMPARE(bench.i2cRead(0xA2, 0x30, 2), QByteArray("\x0C\x30", 2));
        QCOMPARE(bench.i2cWrite(0xA2, 0x40, "\x99"), 1);
        QCOMPARE(bench.firmware().eeprom24()->memory()[0x140], '\x99');
        QCOMPARE(bench.firmware().rtc()->registerValue(0x40), std::uint8_t(0x99));
    }

    void unknownOrMisdirectedRequestsStall_data()
    {
        QTest::addColumn<bool>("in");
        QTest::addColumn<int>("request");
        QTest::newRow("100 out") << false << 100;
        QTest::newRow("154 out") << false << 154;
        QTest::newRow("156 in") << true << 156;
        QTest::newRow("104 out") << false << 104;
        QTest::newRow("103 in") << true << 103;
        QTest::newRow("158 out") << false << 158;
    }
    void unknownOrMisdirectedRequestsStall()
    {
        QFETCH(bool, in);
        QFETCH(int, request);
        SimBench bench;
        bench.openLines();
        QCOMPARE(in ? bench.read(request, 0xA2, 1, 1) : bench.write(request, 0xA2, 1, "x"), -EPIPE);
    }

    // Lines not taken (before 150, after 151): the SPI and Microwire requests stall.
    void lineRequestsNeedTheLines()
    {
        SimBench bench;
        auto all = [&bench] {
            return QList<int>{bench.write(152, 1, 0), bench.write(153, 1, 0, {}, 1), bench.write(155, 0xAF, 0, {}, 1),
                              bench.write(157, 1, 0, "ab"), bench.read(158, 0x180, 9, 2)};
        };
        const QList<int> stalled(5, -EPIPE);
        QCOMPARE(all(), stalled);
        bench.openLines(0);
        QCOMPARE(all(), (QList<int>{0, 1, 1, 2, 2}));
        bench.closeLines();
        QCOMPARE(all(), stalled);
        QCOMPARE(bench.write(151, 0, 0, {}, 1), 1); // releasing released lines is harmless
        QCOMPARE(bench.write(150, 9, 0, {}, 1), -EPIPE);
        QVERIFY(!bench.firmware().spi().taken());
        bench.openLines(ssSoftSPI);
        QCOMPARE(bench.write(152, 2, 0), -EPIPE);
        QCOMPARE(bench.write(153, 2, 0, {}, 1), -EPIPE);
    }

    // Reply bytes: bits 15..8, then 7..0 of what was clocked in.
    void microwireReplyByteOrder_data()
    {
        QTest::addColumn<Organisation>("org");
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("16-bit 0x1234") << Organisation::Word16 << QByteArray("\x12\x34") << 16
                                       << QByteArray("\x12\x34");
        QTest::newRow("8-bit 0x56") << Organisation::Byte8 << QByteArray("\x56") << 8 << QByteArray("\x00\x56", 2);
    }
    void microwireReplyByteOrder()
    {
        QFETCH(Organisation, org);
        QFETCH(QByteArray, cell);
        QFETCH(int, bits);
        QFETCH(QByteArray, reply);
        BusPopulation p;
        p.organisation = org;
        SimBench bench(p);
        bench.firmware().eeprom93()->setMemory(0, cell);
        bench.openLines();
        bench.select(true);
        bench.read(158, org == Organisation::Word16 ? 0x180 : 0x300, bits == 16 ? 9 : 10, 2);
        bench.read(158, 0, 1, 2);
        QCOMPARE(bench.read(158, 0, bits, 2), 2);
        QCOMPARE(bench.buffer(2), reply);
        bench.select(false);
        bench.closeLines();
    }

    void shiftLengthOutOfRangeStalls_data()
    {
        QTest::addColumn<int>("bits");
        QTest::newRow("0") << 0;
        QTest::newRow("17") << 17;
    }
    void shiftLengthOutOfRangeStalls()
    {
        QFETCH(int, bits);
        SimBench bench;
        bench.openLines();
        QCOMPARE(bench.read(158, 0, bits, 2), -EPIPE);
    }

    // Every transfer is in the adapter's log with its bytes and result.
    void transfersAreLogged()
    {
        SimBench bench;
        bench.read(104, 0xA2, 0x10, 2);
        const TransferRecord &r = bench.simulator().adapter()->log().records().back();
        QCOMPARE(r.toLine(), QStringLiteral("IN  104 v=00A2 i=0010 l=2 out=- in=00 00 r=2"));
    }
};

int runBridgeTests(int argc, char **argv)
{
    TestBridge t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_bridge.moc"
