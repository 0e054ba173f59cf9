// The ST7565 driver against the virtual COG panel: the requests it sends,
// its waits, what the glass then shows, and how it follows a lost adapter.
#include "GlcdFixtures.h"
#include "St7565.h"
#include "ZqST7565COG.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {
using CogBench = PanelBench<TZqST7565COG>;

QString open(int code = 0) { return requestLine(false, 150, code, 0, 1); }
const QString kClose = requestLine(false, 151, 0, 0, 1);

QStringList commands(std::initializer_list<int> bytes)
{
    QStringList lines;
    for (int b : bytes)
        lines << requestLine(false, 153, 0, 0, 1) << requestLine(false, 155, b, 0, 1);
    return lines;
}

QStringList frame(int pages, int code = 0)
{
    QStringList lines{open(code)};
    for (int p = 0; p < pages; ++p)
        lines << commands({0xB0 | p, 0x00, 0x10, 0xE0}) << requestLine(false, 153, 1, 0, 1)
              << requestLine(false, 157, 1, 0, 128);
    return lines << kClose;
}

QStringList initRequests(int contrast, int code = 0)
{
    return QStringList{open(code)} + commands({0xA2, 0xA1, 0xC0, 0x40, 0x2C, 0x2E, 0x2F, 0x26, 0x26, 0xAF}) +
           QStringList{open(code)} + commands({0x81, contrast & 0x3F}) + QStringList{kClose} + frame(8, code) +
           QStringList{kClose};
}

// The data blocks of the frame requests in the log, in order.
QByteArray blocksSent(const sim::TransferLog &log)
{
    QByteArray bytes;
    for (const sim::TransferRecord &r : log.records())
        if (r.request == 157)
            bytes += r.bytesOut;
    return bytes;
}

void initialise(CogBench &b)
{
    QVERIFY(b.driver.st7565_init(20));
    b.log().clear();
    b.reports.clear();
}
} // namespace

class TestSt7565Cog : public QObject {
    Q_OBJECT

private slots:
    // The power-up commands with their waits, the contrast, a cleared frame
    // and one more 151: 110 requests, reported twice. The waits let pending
    // events run.
    void initialisation()
    {
        CogBench b;
        b.bench.link().DevBuffer = testFrame();
        int requestsWhenAnEventRan = -1;
        QTimer::singleShot(0, [&] { requestsWhenAnEventRan = int(b.log().records().size()); });
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(b.driver.st7565_init(20));
        QVERIFY(elapsed.elapsed() >= 110);
        QCOMPARE(requestLines(b.log()), initRequests(20));
        QCOMPARE(b.log().records().size(), std::size_t(110));
        QCOMPARE(blocksSent(b.log()), QByteArray(1024, '\0'));
        QCOMPARE(requestsWhenAnEventRan, 1 + 5 * 2); // in the wait after 0x2C
        QCOMPARE(b.reports, (QList<bool>{true, true}));
        QCOMPARE(b.senders, (QList<QObject *>{&b.driver, &b.driver}));
        const sim::St7565 &chip = *b.bench.firmware().lcd();
        QVERIFY(chip.registers().displayOn);
        QCOMPARE(chip.registers().powerControl, 7);
        QCOMPARE(chip.registers().electronicVolume, 20);
        QCOMPARE(chip.ignoredBytes(), 0);
        QCOMPARE(chip.glass().litCount(), 0);
    }

    void clockCodeOfTheLines_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("F_CPU/4") << int(ssF_CPU4);
        QTest::newRow("F_CPU/16") << int(ssF_CPU16);
        QTest::newRow("soft SPI") << int(ssSoftSPI);
    }
    void clockCodeOfTheLines()
    {
        QFETCH(int, code);
        CogBench b;
        b.driver.SetSPI_SCK(TSPI_SCK(code));
        QVERIFY(b.driver.st7565_init(20));
        QCOMPARE(requestLines(b.log()), initRequests(20, code));
        QCOMPARE(b.bench.firmware().spi().clockCode(), code);
    }

    // Page p from buffer bytes p * 128 .. p * 128 + 127, each behind its
    // page and column commands; what is drawn is what the glass shows; every
    // frame is reported.
    void frameReachesTheGlass()
    {
        CogBench b;
        initialise(b);
        b.driver.glcd_cls();
        b.driver.glcd_drawRect(0, 0, 128, 64, 1);
        b.driver.glcd_puts(4, 4, "12:34", 3, 1, 0);
        b.driver.glcd_fillCircle(100, 44, 15, 1);
        b.driver.glcd_puts2(124, 54, "display", 1, 1, 0, gaRight);
        const QByteArray drawn = b.bench.link().DevBuffer;
        b.driver.glcd_display();
        QCOMPARE(requestLines(b.log()), frame(8));
        QCOMPARE(blocksSent(b.log()), drawn);
        QCOMPARE(b.bench.firmware().lcd()->glass().toFrame(), drawn);
        QCOMPARE(b.reports, QList<bool>{true});

        b.bench.link().DevBuffer = testFrame();
        b.driver.glcd_display();
        QCOMPARE(b.bench.firmware().lcd()->glass().toFrame(), testFrame());
    }

    // Height 32: four pages, buffer bytes 0..511, the rest of the glass kept.
    void halfHeightSendsFourPages()
    {
        CogBench b;
        initialise(b);
        b.driver.SetDisplayHeight(32);
        b.bench.link().DevBuffer = testFrame();
        b.driver.glcd_display();
        QCOMPARE(requestLines(b.log()), frame(4));
        QCOMPARE(blocksSent(b.log()), testFrame().left(512));
        QCOMPARE(b.bench.firmware().lcd()->glass().toFrame(), testFrame().left(512) + QByteArray(512, '\0'));
    }

    // Six bits reach the controller: 0x47 as 0x07, 64 as 0, 70 as 6.
    void contrast_data()
    {
        QTest::addColumn<int>("contrast");
        QTest::addColumn<int>("sent");
        QTest::newRow("0x47") << 0x47 << 0x07;
        QTest::newRow("63") << 63 << 63;
        QTest::newRow("64") << 64 << 0;
        QTest::newRow("70") << 70 << 6;
    }
    void contrast()
    {
        QFETCH(int, contrast);
        QFETCH(int, sent);
        CogBench b;
        initialise(b);
        b.driver.st7565_contrast(std::uint8_t(contrast));
        QCOMPARE(requestLines(b.log()), QStringList{open()} + commands({0x81, sent}) + QStringList{kClose});
        QCOMPARE(b.bench.firmware().lcd()->registers().electronicVolume, sent);
        static_cast<TZqGLCDBase &>(b.driver).glcd_contrast(33);
        QCOMPARE(b.bench.firmware().lcd()->registers().electronicVolume, 33);
        QVERIFY(b.reports.isEmpty());
    }

    void nothingWithoutInitialisationOrAdapter()
    {
        CogBench b;
        b.driver.glcd_display();
        b.driver.st7565_contrast(10);
        QVERIFY(b.log().records().empty());
        QVERIFY(b.reports.isEmpty());
        b.bench.pull();
        QVERIFY(!b.driver.st7565_init(20));
        QVERIFY(b.log().records().empty());
        QVERIFY(b.reports.isEmpty());
        QVERIFY(!b.driver.Initialized());
    }

    // The first operation after the adapter went away reports the loss once;
    // later ones are silent. Plugged in again, an initialisation sends its
    // whole power-up sequence and the panel works again.
    void lostAdapter_data()
    {
        QTest::addColumn<bool>("byFrame");
        QTest::newRow("frame") << true;
        QTest::newRow("contrast") << false;
    }
    void lostAdapter()
    {
        QFETCH(bool, byFrame);
        CogBench b;
        initialise(b);
        b.bench.pull();
        for (int i = 0; i < 2; ++i) {
            if (byFrame)
                b.driver.glcd_display();
            else
                b.driver.st7565_contrast(30);
        }
        b.driver.glcd_display();
        QCOMPARE(b.reports, QList<bool>{false});
        QVERIFY(!b.driver.Initialized());
        QVERIFY(b.log().records().empty());

        b.bench.replug();
        QVERIFY(b.driver.st7565_init(20));
        QCOMPARE(requestLines(b.log()), initRequests(20));
        QCOMPARE(b.reports, (QList<bool>{false, true, true}));
        b.bench.link().DevBuffer = testFrame();
        b.driver.glcd_display();
        QCOMPARE(b.bench.firmware().lcd()->glass().toFrame(), testFrame());
    }

    // Pulled during a power-up wait: the initialisation stops at the next
    // command, ends not initialised and says so once.
    void pulledDuringInitialisation()
    {
        CogBench b;
        QTimer::singleShot(20, [&b] { b.bench.pull(); });
        QVERIFY(!b.driver.st7565_init(20));
        QVERIFY(!b.driver.Initialized());
        QCOMPARE(b.reports, QList<bool>{false});
        QCOMPARE(requestLines(b.log()), QStringList{open()} + commands({0xA2, 0xA1, 0xC0, 0x40, 0x2C}));

        b.bench.replug();
        b.log().clear();
        QVERIFY(b.driver.st7565_init(20));
        QCOMPARE(requestLines(b.log()), initRequests(20));
        QVERIFY(b.driver.Initialized());
    }

    // A handler that destroys the driver during a power-up wait: the
    // initialisation stops there and sends nothing more.
    void destroyedDuringInitialisation()
    {
        SimBench bench;
        auto *cog = new TZqST7565COG;
        cog->SetZqLibUSB(&bench.link());
        QTimer::singleShot(20, [&cog] {
            delete cog;
            cog = nullptr;
        });
        const sim::TransferLog &log = bench.simulator().adapter()->log();
        const std::size_t before = log.records().size();
        QVERIFY(!cog->st7565_init(20));
        QVERIFY(!cog);
        QCOMPARE(log.records().size() - before, std::size_t(1 + 5 * 2));
    }
};

int runSt7565CogTests(int argc, char **argv)
{
    TestSt7565Cog t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_st7565cog.moc"
