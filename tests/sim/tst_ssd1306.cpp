// The SSD1306 driven through the device link with the driver's requests:
// 101 and 102 for initialisation and commands, 103 for the frame.
#include "SimBench.h"
#include "Ssd1306.h"

#include <QtTest>

using namespace sim;

namespace {
// The driver's initialisation bytes, each sent as its own 102.
QByteArray initSequence(int vcc)
{
    const char v1 = vcc == 1 ? '\x10' : '\x14';
    const char v2 = vcc == 1 ? '\x9F' : '\xCF';
    return QByteArray("\xAE\xD5\x80\xD3\x00\x40\x8D", 7) + v1 + QByteArray("\x20\x10\xA1\xC8", 4) + v2 +
           QByteArray("\xD9\xA8\x3F\xDA\x12\xDB\x40\xA4\xA6\xAF", 10);
}

void initialise(SimBench &bench, int vcc = 2)
{
    bench.read(101, 700, 0, 254);
    for (char c : initSequence(vcc))
        bench.oledCommand(std::uint8_t(c));
}

int sendFrame(SimBench &bench, const QByteArray &frame) { return bench.write(103, 0x78, 0x40, frame); }

// The picture of a frame as the glass shows it upside down, left-right, or both.
QByteArray transformed(const QByteArray &frame, bool mirrorX, bool flipY)
{
    QByteArray out(1024, '\0');
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) {
            const int sx = mirrorX ? 127 - x : x;
            const int sy = flipY ? 63 - y : y;
            if ((frame[sx + sy / 8 * 128] >> (sy % 8)) & 1)
                out[x + y / 8 * 128] = char(out[x + y / 8 * 128] | 1 << (y % 8));
        }
    return out;
}
} // namespace

class TestSsd1306 : public QObject {
    Q_OBJECT

private slots:
    // The driver's stream, byte by byte, leaves the registers the data sheet's
    // table gives; the glass lights only with the module's charge pump on.
    void initialisationStream_data()
    {
        QTest::addColumn<int>("vcc");
        QTest::addColumn<bool>("chargePump");
        QTest::addColumn<int>("ignored");
        QTest::newRow("own charge pump") << 2 << true << 1;  // 0x3F
        QTest::newRow("external supply") << 1 << false << 2; // 0x9F and 0x3F
    }
    void initialisationStream()
    {
        QFETCH(int, vcc);
        QFETCH(bool, chargePump);
        QFETCH(int, ignored);
        SimBench bench;
        initialise(bench, vcc);
        const Ssd1306 &oled = *bench.firmware().oled();
        const Ssd1306::Registers &r = oled.registers();
        QVERIFY(r.displayOn);
        QCOMPARE(r.chargePump, chargePump);
        QCOMPARE(oled.ignoredBytes(), ignored);
        QCOMPARE(r.addressingMode, 0);
        QVERIFY(r.segmentRemap);
        QVERIFY(r.comRemap);
        QCOMPARE(r.clockDivide, std::uint8_t(0x80));
        QCOMPARE(r.precharge, std::uint8_t(0xA8));
        QCOMPARE(r.multiplex, 64);
        QCOMPARE(r.contrast, std::uint8_t(0x7F));
        QCOMPARE(r.comPins, std::uint8_t(0x12));
        QCOMPARE(r.vcomh, std::uint8_t(0x40));

        QCOMPARE(sendFrame(bench, testFrame()), 1024);
        QCOMPARE(oled.glass().toFrame(), chargePump ? testFrame() : QByteArray(1024, '\0'));
    }

    // One 1024-byte data stream fills the panel upright: frame byte 0 bit 0 top left.
    void frameLandsUpright()
    {
        SimBench bench;
        initialise(bench);
        QByteArray frame(1024, '\0');
        frame[0] = 0x01;             // (0, 0)
        frame[127] = char(0x80);     // (127, 7)
        frame[7 * 128] = char(0x80); // (0, 63)
        QCOMPARE(sendFrame(bench, frame), 1024);
        const PanelImage glass = bench.firmware().oled()->glass();
        QVERIFY(glass.pixel(0, 0));
        QVERIFY(glass.pixel(127, 7));
        QVERIFY(glass.pixel(0, 63));
        QCOMPARE(glass.litCount(), 3);
        // A second frame starts again at the top left: the pointer wrapped.
        QCOMPARE(sendFrame(bench, testFrame()), 1024);
        QCOMPARE(bench.firmware().oled()->glass().toFrame(), testFrame());
    }

    void inversionContrastAndDisplayOff()
    {
        SimBench bench;
        initialise(bench);
        sendFrame(bench, testFrame());
        Ssd1306 &oled = *bench.firmware().oled();

        bench.oledCommand(0xA7);
        QCOMPARE(oled.glass().toFrame(), inverted(testFrame()));
        bench.oledCommand(0xA6);
        QCOMPARE(oled.glass().toFrame(), testFrame());

        bench.oledCommand(0x81);
        QCOMPARE(oled.registers().contrast, std::uint8_t(0x7F));
        bench.oledCommand(0x30);
        QCOMPARE(oled.registers().contrast, std::uint8_t(0x30));
        QCOMPARE(oled.glass().toFrame(), testFrame()); // the value was an argument, not a start line

        bench.oledCommand(0xA5);
        QCOMPARE(oled.glass().litCount(), 128 * 64);
        bench.oledCommand(0xA4);
        bench.oledCommand(0xAE);
        QCOMPARE(oled.glass().litCount(), 0);
        bench.oledCommand(0xAF);
        QCOMPARE(oled.glass().toFrame(), testFrame()); // the RAM kept the picture
    }

    // Other settings mirror the picture as the controller would.
    void remapSettingsMirror_data()
    {
        QTest::addColumn<QByteArray>("commands"); // sent after the initialisation, before the frame
        QTest::addColumn<bool>("mirrorX");
        QTest::addColumn<bool>("flipY");
        QTest::newRow("segment remap off") << QByteArray("\xA0") << true << false;
        QTest::newRow("COM scan normal") << QByteArray("\xC0") << false << true;
        QTest::newRow("both") << QByteArray("\xA0\xC0") << true << true;
    }
    void remapSettingsMirror()
    {
        QFETCH(QByteArray, commands);
        QFETCH(bool, mirrorX);
        QFETCH(bool, flipY);
        SimBench bench;
        initialise(bench);
        for (char c : commands)
            bench.oledCommand(std::uint8_t(c));
        sendFrame(bench, testFrame());
        QCOMPARE(bench.firmware().oled()->glass().toFrame(), transformed(testFrame(), mirrorX, flipY));
    }

    // Segment remap works at write time: the picture already in RAM stays.
    void segmentRemapAffectsLaterDataOnly()
    {
        SimBench bench;
        initialise(bench);
        sendFrame(bench, testFrame());
        bench.oledCommand(0xA0);
        QCOMPARE(bench.firmware().oled()->glass().toFrame(), testFrame());
    }

    void startLineAndOffsetShiftRows_data()
    {
        QTest::addColumn<QByteArray>("commands");
        QTest::newRow("start line 8") << QByteArray("\x48");
        QTest::newRow("offset 8") << QByteArray("\xD3\x08", 2);
    }
    void startLineAndOffsetShiftRows()
    {
        QFETCH(QByteArray, commands);
        SimBench bench;
        initialise(bench);
        sendFrame(bench, testFrame());
        for (char c : commands)
            bench.oledCommand(std::uint8_t(c));
        const QByteArray frame = testFrame();
        const QByteArray shown = bench.firmware().oled()->glass().toFrame();
        // Glass rows now show RAM rows 8 further on: page p shows page p + 1.
        QCOMPARE(shown, frame.mid(128) + frame.left(128));
    }

    // Page mode and column ranges; arguments come in transfers of their own.
    void addressingAcrossTransfers()
    {
        SimBench bench;
        initialise(bench);
        const Ssd1306 &oled = *bench.firmware().oled();
        for (std::uint8_t c : {0x20, 0x02, 0xB3, 0x05, 0x12})
            bench.oledCommand(c); // page mode, page 3, column 0x25
        QCOMPARE(bench.write(103, 0x78, 0x40, "\x11\x22"), 2);
        QCOMPARE(oled.ram(3, 127 - 0x25), std::uint8_t(0x11));
        QCOMPARE(oled.ram(3, 127 - 0x26), std::uint8_t(0x22));

        for (std::uint8_t c : {0x20, 0x01, 0x21, 10, 11, 0x22, 6, 7})
            bench.oledCommand(c); // vertical mode in columns 10..11, pages 6..7
        QCOMPARE(bench.write(103, 0x78, 0x40, "ABCDE"), 5);
        QCOMPARE(oled.ram(7, 127 - 10), std::uint8_t('B'));
        QCOMPARE(oled.ram(6, 127 - 11), std::uint8_t('C'));
        QCOMPARE(oled.ram(7, 127 - 11), std::uint8_t('D'));
        QCOMPARE(oled.ram(6, 127 - 10), std::uint8_t('E')); // past the range's end, over 'A' at its start
        QCOMPARE(oled.registers().column, 10);
        QCOMPARE(oled.registers().page, 7);
    }

    // Past column 127 the pointer goes back to the start column set with
    // 00..0F and 10..17, on the same page.
    void pageModeWrapsToItsStartColumn()
    {
        SimBench bench;
        initialise(bench);
        const Ssd1306 &oled = *bench.firmware().oled();
        for (std::uint8_t c : {0x20, 0x02, 0xB2, 0x0C, 0x17})
            bench.oledCommand(c); // page mode, page 2, column 0x7C
        QCOMPARE(bench.write(103, 0x78, 0x40, "ABCDEF"), 6);
        QCOMPARE(oled.ram(2, 127 - 0x7C), std::uint8_t('E'));
        QCOMPARE(oled.ram(2, 127 - 0x7D), std::uint8_t('F'));
        QCOMPARE(oled.ram(2, 127 - 0x7E), std::uint8_t('C'));
        QCOMPARE(oled.ram(2, 127 - 0x7F), std::uint8_t('D'));
        QCOMPARE(oled.ram(2, 127 - 0x00), std::uint8_t(0));
        QCOMPARE(oled.ram(3, 127 - 0x7C), std::uint8_t(0));
        QCOMPARE(oled.registers().page, 2);
        QCOMPARE(oled.registers().column, 0x7E);
    }

    // A RAM full of FF lights the rows the multiplex ratio + 1 drives; the
    // set-up's A8 loses its argument to D9, so all 64 stay on. Ratios 0..14
    // are invalid and change nothing.
    void multiplexRatioLightsRows_data()
    {
        QTest::addColumn<QByteArray>("commands"); // sent after the initialisation
        QTest::addColumn<int>("rows");
        QTest::newRow("after the set-up") << QByteArray() << 64;
        QTest::newRow("A8 1F") << QByteArray("\xA8\x1F") << 32;
        QTest::newRow("A8 0F, the fewest") << QByteArray("\xA8\x0F") << 16;
        QTest::newRow("A8 0E, invalid") << QByteArray("\xA8\x0E") << 64;
    }
    void multiplexRatioLightsRows()
    {
        QFETCH(QByteArray, commands);
        QFETCH(int, rows);
        SimBench bench;
        initialise(bench);
        for (char c : commands)
            bench.oledCommand(std::uint8_t(c));
        QCOMPARE(sendFrame(bench, QByteArray(1024, '\xFF')), 1024);
        const PanelImage glass = bench.firmware().oled()->glass();
        int fullRows = 0;
        for (int y = 0; y < PanelImage::Height; ++y) {
            int lit = 0;
            for (int x = 0; x < PanelImage::Width; ++x)
                lit += glass.pixel(x, y) ? 1 : 0;
            fullRows += lit == PanelImage::Width ? 1 : 0;
        }
        QCOMPARE(fullRows, rows);
        QCOMPARE(glass.litCount(), rows * PanelImage::Width);
    }

    // Co = 1 control bytes: one command or data byte, then another control byte.
    void singleByteControlBytes()
    {
        SimBench bench;
        initialise(bench);
        for (std::uint8_t c : {0x20, 0x02, 0xB0, 0x00, 0x10})
            bench.oledCommand(c);
        // Control 0x80 (the wIndex low byte), command A7, control C0, data 55, control 00, command A6.
        QCOMPARE(bench.write(103, 0x78, 0x80, QByteArray("\xA7\xC0\x55\x00\xA6", 5)), 5);
        const Ssd1306 &oled = *bench.firmware().oled();
        QCOMPARE(oled.ram(0, 127), std::uint8_t(0x55));
        QVERIFY(!oled.registers().inverse);
        QCOMPARE(oled.ignoredBytes(), 1);
    }

    void readsTheStatusByte()
    {
        SimBench bench;
        QCOMPARE(bench.i2cRead(0x78, 0, 1), QByteArray("\x40"));
        initialise(bench);
        QCOMPARE(bench.i2cRead(0x78, 0, 1), QByteArray(1, '\0'));
    }

    void replugResetsRegistersKeepsRam()
    {
        SimBench bench;
        initialise(bench);
        sendFrame(bench, testFrame());
        bench.replug();
        const Ssd1306 &oled = *bench.firmware().oled();
        QVERIFY(!oled.registers().displayOn);
        QCOMPARE(oled.glass().litCount(), 0);
        initialise(bench);
        QCOMPARE(oled.glass().toFrame(), testFrame());
    }
};

int runSsd1306Tests(int argc, char **argv)
{
    TestSsd1306 t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_ssd1306.moc"
