// The fault matrix's display rows: SSD1306 and ST7565 init and one full
// frame, each run once clean to learn its transfers T, then with each kind of
// fault at each transfer k. After each run: not hung, the failure reported
// (init returns false, the driver no longer initialised), the link agrees
// with the adapter, the display RAM holds only old bytes or frame bytes, and
// a fresh plug with a new init and frame work again.
#include "FaultRig.h"
#include "Ssd1306.h"
#include "St7565.h"
#include "ZqSSD1306OLED.h"
#include "ZqST7565COG.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace sim;

namespace {
struct PanelRig {
    PanelRig() : bench({}, SimBench::ChipTime::Manual)
    {
        oled.SetZqLibUSB(&bench.link());
        cog.SetZqLibUSB(&bench.link());
        cog.SetWait([this](int ms) { bench.clock.advanceMs(ms); });
    }
    VirtualAdapter &adapter() { return *bench.simulator().adapter(); }
    // Every display RAM byte of both panels.
    QByteArray ram()
    {
        QByteArray bytes;
        const Ssd1306 &o = *bench.firmware().oled();
        for (int p = 0; p < Ssd1306::Pages; ++p)
            for (int s = 0; s < Ssd1306::Columns; ++s)
                bytes += char(o.ram(p, s));
        const St7565 &l = *bench.firmware().lcd();
        for (int p = 0; p < St7565::Pages; ++p)
            for (int s = 0; s < St7565::Columns; ++s)
                bytes += char(l.ram(p, s));
        return bytes;
    }

    SimBench bench;
    TZqSSD1306OLED oled;
    TZqST7565COG cog;
};

// Text and shapes across the whole glass, so every page carries bytes.
void drawScene(TZqGLCDBase &g)
{
    g.glcd_cls();
    g.glcd_drawRect(0, 0, 128, 64, 1);
    g.glcd_fillCircle(64, 32, 20, 1);
    g.glcd_puts(2, 2, QByteArray("Brindle"), 2, 1, 0);
}

struct PanelOperation {
    QString name;
    bool frame; // false: init only
    bool spi;   // write-only bus: a silent chip gives no sign
    std::function<bool(PanelRig &)> init;
    std::function<TZqGLCDDriver &(PanelRig &)> driver;
};

const QList<PanelOperation> &operations()
{
    static const QList<PanelOperation> ops = [] {
        const auto oledInit = [](PanelRig &r) { return r.oled.ssd1306_init(2, 0x80, 0); };
        const auto cogInit = [](PanelRig &r) { return r.cog.st7565_init(20); };
        const auto oled = [](PanelRig &r) -> TZqGLCDDriver & { return r.oled; };
        const auto cog = [](PanelRig &r) -> TZqGLCDDriver & { return r.cog; };
        return QList<PanelOperation>{{QStringLiteral("ssd1306 init"), false, false, oledInit, oled},
                                     {QStringLiteral("ssd1306 frame"), true, false, oledInit, oled},
                                     {QStringLiteral("st7565 init"), false, true, cogInit, cog},
                                     {QStringLiteral("st7565 frame"), true, true, cogInit, cog}};
    }();
    return ops;
}

// Runs the operation: for a frame, the init goes first, clean; returns what
// the driver reported.
bool run(const PanelOperation &op, PanelRig &r, const std::function<void()> &beforeFaultable)
{
    if (!op.frame) {
        beforeFaultable();
        return op.init(r);
    }
    if (!op.init(r))
        return false;
    beforeFaultable();
    TZqGLCDDriver &d = op.driver(r);
    drawScene(d);
    d.glcd_display();
    return d.Initialized();
}
} // namespace

class TestFaultsDisplays : public QObject {
    Q_OBJECT

private slots:
    void matrix_data() { FaultMatrix::addRows(operations()); }
    void matrix();
    void cleanupTestCase() { FMatrix.report(); }

private:
    FaultMatrix FMatrix{"display fault matrix"};
};

void TestFaultsDisplays::matrix()
{
    QFETCH(int, row);
    const PanelOperation &op = operations()[row];
    QByteArray asked;
    int transfers = 0;
    {
        PanelRig r;
        QVERIFY2(run(op, r, [&r] { r.adapter().log().clear(); }), "the clean run failed");
        transfers = int(r.adapter().log().records().size());
        asked = r.ram();
    }
    int unheard = 0;
    FMatrix.sweep(op.name, transfers, [&](const FaultKindRow &kind, int k, const QString &where) {
        PanelRig r;
        QByteArray before;
        QElapsedTimer timer;
        timer.start();
        const bool ok = run(op, r, [&] {
            before = r.ram();
            r.adapter().log().clear();
            armFault(r.bench, kind.kind, k);
        });
        QCoreApplication::processEvents();
        const QString problem = runProblem(r.bench, timer);
        QVERIFY2(problem.isEmpty(), qPrintable(where + ": " + problem));
        const bool heard = !(op.spi && kind.kind == FaultKind::ChipSilent);
        QVERIFY2(!ok || !heard, qPrintable(where + ": reported success"));
        QVERIFY2(!op.driver(r).Initialized() || !heard, qPrintable(where + ": still initialised"));
        unheard += !heard;
        const QByteArray now = r.ram();
        for (int i = 0; i < now.size(); ++i)
            QVERIFY2(now[i] == before[i] || now[i] == asked[i],
                     qPrintable(where + QStringLiteral(": RAM byte %1 neither old nor asked for").arg(i)));

        QVERIFY(plugAgain(r.bench));
        QVERIFY2(run(op, r, [] {}), qPrintable(where + ": no recovery"));
        QVERIFY2(r.ram() == asked, qPrintable(where + ": the next run went wrong"));
    });
    if (unheard > 0)
        qInfo("%s: %d silent-chip runs cannot be told from success: SPI writes get no answer; RAM checked only",
              qPrintable(op.name), unheard);
}

QTEST_GUILESS_MAIN(TestFaultsDisplays)
#include "tst_faults_glcd.moc"
