// The ST7565 driven through the device link with the driver's requests:
// 150/151 around every operation, 153 + 155 per command, 153 + 157 per page.
#include "SimBench.h"
#include "St7565.h"

#include <QtTest>

using namespace sim;

namespace {
void commands(SimBench &bench, std::initializer_list<std::uint8_t> bytes)
{
    for (std::uint8_t b : bytes)
        bench.lcdCommand(b);
}

// glcd_display: per page B0+p, 00, 10, E0 and 128 bytes.
void sendFrame(SimBench &bench, const QByteArray &frame)
{
    bench.openLines(0);
    for (int page = 0; page < 8; ++page) {
        commands(bench, {std::uint8_t(0xB0 | page), 0x00, 0x10, 0xE0});
        bench.lcdData(frame.mid(page * 128, 128));
    }
    bench.closeLines();
}

// st7565_init(20) as the driver sends it (the ADC and COM bytes may be
// changed): power-up commands without closing the lines, the contrast, the
// cleared frame, and one more 151.
void initialise(SimBench &bench, std::uint8_t adc = 0xA1, std::uint8_t com = 0xC0)
{
    bench.openLines(0);
    commands(bench, {0xA2, adc, com, 0x40, 0x2C, 0x2E, 0x2F, 0x26, 0x26, 0xAF});
    bench.openLines(0);
    commands(bench, {0x81, 20 & 0x3F});
    bench.closeLines();
    sendFrame(bench, QByteArray(1024, '\0'));
    bench.closeLines();
}

// ADC normal: RAM column c on SEG c, glass column 131 - c. Glass columns
// 0..3 show RAM columns 128..131, which the frames never write.
QByteArray withAdcNormal(const QByteArray &frame)
{
    QByteArray out(1024, '\0');
    for (int page = 0; page < 8; ++page)
        for (int x = 4; x < 128; ++x)
            out[page * 128 + x] = frame[page * 128 + 131 - x];
    return out;
}
} // namespace

class TestSt7565 : public QObject {
    Q_OBJECT

private slots:
    void initialisationSetsTheController()
    {
        SimBench bench;
        initialise(bench);
        const St7565::Registers &r = bench.firmware().lcd()->registers();
        QVERIFY(r.displayOn);
        QVERIFY(r.adcReverse);
        QVERIFY(!r.comReverse);
        QVERIFY(!r.bias7);
        QCOMPARE(r.powerControl, 7);
        QCOMPARE(r.regulatorRatio, 6);
        QCOMPARE(r.electronicVolume, 20);
        QCOMPARE(bench.firmware().lcd()->ignoredBytes(), 0);
    }

    // Eight pages sent with read-modify-write left on land upright, byte 0 bit 0 top left:
    // the page and column settings inside read-modify-write take effect.
    void framesLandUpright()
    {
        SimBench bench;
        initialise(bench);
        sendFrame(bench, testFrame());
        const St7565 &lcd = *bench.firmware().lcd();
        QCOMPARE(lcd.glass().toFrame(), testFrame());
        QVERIFY(lcd.registers().readModifyWrite);

        QByteArray frame(1024, '\0');
        frame[0] = 0x01;
        frame[1023] = char(0x80);
        sendFrame(bench, frame);
        QVERIFY(lcd.glass().pixel(0, 0));
        QVERIFY(lcd.glass().pixel(127, 63));
        QCOMPARE(lcd.glass().litCount(), 2);
    }

    // With ADC normal the same frame shows mirrored and four columns over.
    void adcNormalMirrorsAndShifts()
    {
        SimBench bench;
        initialise(bench, 0xA0);
        sendFrame(bench, testFrame());
        QCOMPARE(bench.firmware().lcd()->glass().toFrame(), withAdcNormal(testFrame()));
    }

    void comReverseFlips()
    {
        SimBench bench;
        initialise(bench, 0xA1, 0xC8);
        QByteArray frame(1024, '\0');
        frame[5] = 0x01; // (5, 0)
        sendFrame(bench, frame);
        const PanelImage glass = bench.firmware().lcd()->glass();
        QVERIFY(glass.pixel(5, 63));
        QCOMPARE(glass.litCount(), 1);
    }

    void displayModes()
    {
        SimBench bench;
        initialise(bench);
        sendFrame(bench, testFrame());
        const St7565 &lcd = *bench.firmware().lcd();
        bench.openLines(0);
        bench.lcdCommand(0xA7);
        QCOMPARE(lcd.glass().toFrame(), inverted(testFrame()));
        bench.lcdCommand(0xA6);
        bench.lcdCommand(0xA5);
        QCOMPARE(lcd.glass().litCount(), 128 * 64);
        bench.lcdCommand(0xA4);
        bench.lcdCommand(0x48);
        QCOMPARE(lcd.glass().toFrame(), testFrame().mid(128) + testFrame().left(128));
        bench.lcdCommand(0x40);
        bench.lcdCommand(0xAE);
        QCOMPARE(lcd.glass().litCount(), 0);
        bench.lcdCommand(0xAF);
        bench.lcdCommand(0x2B); // follower off: no drive voltages
        QCOMPARE(lcd.glass().litCount(), 0);
        bench.closeLines();
    }

    void contrastKeepsSixBits()
    {
        SimBench bench;
        initialise(bench);
        bench.openLines(0);
        commands(bench, {0x81, 0x47 & 0x3F});
        QCOMPARE(bench.firmware().lcd()->registers().electronicVolume, 0x07);
        commands(bench, {0x81, 0xFF});
        QCOMPARE(bench.firmware().lcd()->registers().electronicVolume, 0x3F);
        bench.closeLines();
    }

    // Static indicator ON (AD) takes the mode byte after it; OFF (AC) is a
    // single-byte command, so the byte after it is a command of its own.
    void staticIndicatorOffIsOneByte_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("indicator");
        QTest::addColumn<bool>("reverse");
        QTest::newRow("off, then reverse") << QByteArray("\xAC\xA7") << 0 << true;
        QTest::newRow("on, mode 2, then reverse") << QByteArray("\xAD\x02\xA7") << 0x82 << true;
        QTest::newRow("on takes A7 as its mode") << QByteArray("\xAD\xA7") << 0x83 << false;
        QTest::newRow("on, then off") << QByteArray("\xAD\x03\xAC\xA7") << 0 << true;
    }
    void staticIndicatorOffIsOneByte()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, indicator);
        QFETCH(bool, reverse);
        SimBench bench;
        initialise(bench);
        bench.openLines(0);
        for (char c : stream)
            bench.lcdCommand(std::uint8_t(c));
        bench.closeLines();
        const St7565 &lcd = *bench.firmware().lcd();
        QCOMPARE(int(lcd.registers().staticIndicator), indicator);
        QCOMPARE(lcd.registers().reverse, reverse);
        QCOMPARE(lcd.ignoredBytes(), 0);
    }

    // The column counter stops at 131; EE puts it back where E0 found it.
    void columnCounterAndReadModifyWrite()
    {
        SimBench bench;
        initialise(bench);
        const St7565 &lcd = *bench.firmware().lcd();
        bench.openLines(0);
        commands(bench, {0xB2, 0x18, 0x00}); // column 0x80
        bench.lcdData("ABCDEF");
        QCOMPARE(lcd.registers().column, 131);
        QCOMPARE(lcd.ram(2, 131 - 131), std::uint8_t('F')); // E and F both went to 131
        commands(bench, {0x10, 0x05, 0xE0});
        bench.lcdData("xyz");
        QCOMPARE(lcd.registers().column, 8);
        commands(bench, {0xEE});
        QCOMPARE(lcd.registers().column, 5);
        commands(bench, {0xB8, 0x10, 0x00});
        bench.lcdData("\x01");
        QCOMPARE(lcd.ram(8, 131), std::uint8_t(1)); // the icon page, off the glass
        bench.closeLines();
    }

    // E2 resets addressing and the COM direction but not the ADC direction:
    // a frame sent afterwards lands as it did before.
    void resetKeepsAdcDirection_data()
    {
        QTest::addColumn<std::uint8_t>("adc");
        QTest::newRow("ADC reverse") << std::uint8_t(0xA1);
        QTest::newRow("ADC normal") << std::uint8_t(0xA0);
    }
    void resetKeepsAdcDirection()
    {
        QFETCH(std::uint8_t, adc);
        SimBench bench;
        initialise(bench, adc);
        bench.openLines(0);
        bench.lcdCommand(0xE2);
        bench.closeLines();
        const St7565 &lcd = *bench.firmware().lcd();
        QCOMPARE(lcd.registers().adcReverse, adc == 0xA1);
        sendFrame(bench, testFrame());
        QCOMPARE(lcd.glass().toFrame(), adc == 0xA1 ? testFrame() : withAdcNormal(testFrame()));
    }

    // The display's /CS is held only while the Microwire chip is not selected.
    void microwireTrafficDoesNotReachTheDisplay()
    {
        SimBench bench;
        initialise(bench);
        bench.openLines(8);
        bench.lcdCommand(0xA5); // all points on, while the display is selected
        bench.lcdCommand(0xA4);
        bench.select(true);
        bench.write(153, 0, 0, {}, 1);
        bench.write(155, 0xA5, 0, {}, 1);
        bench.select(false);
        bench.closeLines();
        QCOMPARE(bench.firmware().lcd()->glass().litCount(), 0);
    }

    // A half byte is forgotten when /CS goes inactive.
    void chipSelectRealignsBytes()
    {
        SimBench bench;
        initialise(bench);
        bench.openLines(0);
        bench.write(153, 0, 0, {}, 1);
        bench.read(158, 0xA, 4, 2);
        bench.closeLines();
        bench.openLines(0);
        bench.lcdCommand(0xA7);
        bench.closeLines();
        QVERIFY(bench.firmware().lcd()->registers().reverse);
    }
};

int runSt7565Tests(int argc, char **argv)
{
    TestSt7565 t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_st7565.moc"
