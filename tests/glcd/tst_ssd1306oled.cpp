// The SSD1306 driver against the virtual OLED: the requests it sends, what
// the glass then shows, and how it follows a lost adapter.
#include "GlcdFixtures.h"
#include "Ssd1306.h"
#include "ZqSSD1306OLED.h"

#include <QtTest>

namespace {
using OledBench = PanelBench<TZqSSD1306OLED>;

QString command(std::uint8_t b) { return requestLine(false, 102, 0x78, b << 8, 254); }
const QString kFrame = requestLine(false, 103, 0x78, 0x40, 1024);

QStringList initRequests(int khz, const QByteArray &commands)
{
    QStringList lines{requestLine(true, 101, khz, 0, 254)};
    for (char b : commands)
        lines << command(std::uint8_t(b));
    return lines << kFrame;
}

QByteArray sequence(std::uint8_t refresh, char pump, char level)
{
    return QByteArray("\xAE\xD5", 2) + char(refresh) + QByteArray("\xD3\x00\x40\x8D", 4) + pump +
           QByteArray("\x20\x10\xA1\xC8", 4) + level + QByteArray("\xD9\xA8\x3F\xDA\x12\xDB\x40\xA4\xA6\xAF", 10);
}

void initialise(OledBench &b)
{
    QVERIFY(b.driver.ssd1306_init(2, 0x80, 0));
    b.log().clear();
    b.reports.clear();
}

// A picture with every kind of shape and some text.
void drawScene(TZqGLCDBase &g)
{
    g.glcd_cls();
    g.glcd_drawRect(0, 0, 128, 64, 1);
    g.glcd_puts(4, 4, "12:34", 2, 1, 0);
    g.glcd_fillCircle(100, 40, 12, 1);
    g.glcd_drawLine(2, 60, 60, 30, 1);
    g.glcd_puts2(124, 54, "display", 1, 1, 0, gaRight);
}
} // namespace

class TestSsd1306Oled : public QObject {
    Q_OBJECT

private slots:
    // One 101 with the clock, the 23 command bytes each in a 102 behind the
    // command control byte, one 103 with the cleared frame; reported once.
    void initialisation_data()
    {
        QTest::addColumn<int>("vcc");
        QTest::addColumn<int>("refresh");
        QTest::addColumn<QByteArray>("commands");
        QTest::addColumn<bool>("lit"); // the module's glass needs its own charge pump
        QTest::newRow("own charge pump (2)") << 2 << 0x80 << sequence(0x80, 0x14, '\xCF') << true;
        QTest::newRow("own charge pump (0)") << 0 << 0xF1 << sequence(0xF1, 0x14, '\xCF') << true;
        QTest::newRow("external supply (1)") << 1 << 0x80 << sequence(0x80, 0x10, '\x9F') << false;
    }
    void initialisation()
    {
        QFETCH(int, vcc);
        QFETCH(int, refresh);
        QFETCH(QByteArray, commands);
        QFETCH(bool, lit);
        OledBench b;
        b.driver.SetI2C_BitrateKhz(700);
        b.bench.link().DevBuffer = testFrame();
        QVERIFY(b.driver.ssd1306_init(std::uint8_t(vcc), std::uint8_t(refresh), 0));
        QCOMPARE(requestLines(b.log()), initRequests(700, commands));
        QCOMPARE(b.log().records().back().bytesOut, QByteArray(1024, '\0'));
        QCOMPARE(b.reports, QList<bool>{true});
        QCOMPARE(b.senders, QList<QObject *>{&b.driver});
        const sim::Ssd1306 &chip = *b.bench.firmware().oled();
        QCOMPARE(b.bench.firmware().i2cClockKhz(), 700);
        QCOMPARE(chip.registers().clockDivide, std::uint8_t(refresh));
        QVERIFY(chip.registers().displayOn);
        QCOMPARE(chip.registers().chargePump, lit);
        QCOMPARE(chip.glass().litCount(), 0);
    }

    // What is drawn is what the glass shows, in one 1024-byte transfer.
    void frameReachesTheGlass()
    {
        OledBench b;
        initialise(b);
        drawScene(b.driver);
        const QByteArray drawn = b.bench.link().DevBuffer;
        b.driver.glcd_display();
        QCOMPARE(requestLines(b.log()), QStringList{kFrame});
        QCOMPARE(b.bench.firmware().oled()->glass().toFrame(), drawn);
        QVERIFY(b.reports.isEmpty());

        b.bench.link().DevBuffer = testFrame();
        b.driver.SetDisplayHeight(32); // the frame is 1024 bytes whatever the geometry says
        b.driver.glcd_display();
        QCOMPARE(b.bench.firmware().oled()->glass().toFrame(), testFrame());
        QCOMPARE(b.log().records().back().length, std::uint16_t(1024));
    }

    void contrastAndInversion()
    {
        OledBench b;
        initialise(b);
        b.bench.link().DevBuffer = testFrame();
        b.driver.glcd_display();
        const sim::Ssd1306 &chip = *b.bench.firmware().oled();
        b.log().clear();

        b.driver.ssd1306_contrast(0x7F);
        QCOMPARE(requestLines(b.log()), (QStringList{command(0x81), command(0x7F)}));
        static_cast<TZqGLCDBase &>(b.driver).glcd_contrast(0x30);
        QCOMPARE(chip.registers().contrast, std::uint8_t(0x30));

        b.log().clear();
        b.driver.ssd1306_invertDisplay(true);
        QCOMPARE(requestLines(b.log()), QStringList{command(0xA7)});
        QCOMPARE(chip.glass().toFrame(), inverted(testFrame()));
        b.driver.ssd1306_invertDisplay(false);
        QCOMPARE(requestLines(b.log()).last(), command(0xA6));
        QCOMPARE(chip.glass().toFrame(), testFrame());
        QVERIFY(b.reports.isEmpty());
    }

    // Before any initialisation nothing goes out and nothing is reported.
    void nothingBeforeInitialisation()
    {
        OledBench b;
        b.driver.glcd_display();
        b.driver.ssd1306_contrast(10);
        b.driver.ssd1306_invertDisplay(true);
        QVERIFY(b.log().records().empty());
        QVERIFY(b.reports.isEmpty());
        QVERIFY(!b.driver.Initialized());
    }

    // Without a connected link an initialisation sends nothing, changes
    // nothing and reports nothing.
    void initialisationWithoutAnAdapter()
    {
        OledBench b;
        b.bench.pull();
        QVERIFY(!b.driver.ssd1306_init(2, 0x80, 0));
        QVERIFY(!b.driver.Initialized());
        b.bench.replug();
        initialise(b);
        b.bench.pull();
        b.log().clear();
        QVERIFY(!b.driver.ssd1306_init(2, 0x80, 0));
        QVERIFY(b.driver.Initialized());
        QVERIFY(b.log().records().empty());
        QVERIFY(b.reports.isEmpty());
        b.driver.SetZqLibUSB(nullptr);
        QVERIFY(!b.driver.ssd1306_init(2, 0x80, 0));
    }

    // The first operation after the adapter went away reports the loss once;
    // later ones are silent. Plugged in again, an initialisation sends its
    // whole sequence and the panel works again.
    void lostAdapter_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("frame") << 0;
        QTest::newRow("contrast") << 1;
        QTest::newRow("inversion") << 2;
    }
    void lostAdapter()
    {
        QFETCH(int, operation);
        OledBench b;
        initialise(b);
        b.bench.pull();
        b.log().clear();
        auto operate = [&] {
            if (operation == 0)
                b.driver.glcd_display();
            else if (operation == 1)
                b.driver.ssd1306_contrast(5);
            else
                b.driver.ssd1306_invertDisplay(true);
        };
        operate();
        QCOMPARE(b.reports, QList<bool>{false});
        QVERIFY(!b.driver.Initialized());
        operate();
        b.driver.glcd_display();
        QCOMPARE(b.reports, QList<bool>{false});
        QVERIFY(b.log().records().empty());

        b.bench.replug();
        b.driver.SetI2C_BitrateKhz(400);
        QVERIFY(b.driver.ssd1306_init(2, 0x80, 0));
        QCOMPARE(requestLines(b.log()), initRequests(400, sequence(0x80, 0x14, '\xCF')));
        QCOMPARE(b.reports, (QList<bool>{false, true}));
        drawScene(b.driver);
        const QByteArray drawn = b.bench.link().DevBuffer;
        b.driver.glcd_display();
        QCOMPARE(b.bench.firmware().oled()->glass().toFrame(), drawn);
    }
};

int runSsd1306OledTests(int argc, char **argv)
{
    TestSsd1306Oled t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_ssd1306oled.moc"
