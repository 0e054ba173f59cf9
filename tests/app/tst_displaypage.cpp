// The "OLED/COG" page of the window on the virtual adapter, headless: what
// the virtual panels show after each button, the demo's pictures, the clock,
// the remembered display choice, and the one-operation-at-a-time guard.
#include "DeviceGuard.h"
#include "PageDisplay.h"
#include "SimBench.h"
#include "Simulator.h"
#include "Ssd1306.h"
#include "St7565.h"
#include "TForm1.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqSSD1306OLED.h"
#include "ZqST7565COG.h"
#include "mxStorage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFrame>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

enum Panel {
    Oled,
    Cog
};

// Draws what the page should have drawn, on a buffer of its own.
class Canvas : public TZqGLCDBase {
public:
    explicit Canvas(TZqLibUSB *link)
    {
        SetZqLibUSB(link);
        link->DevBuffer.fill('\0');
    }
    void glcd_display() override {}
    void glcd_contrast(std::uint8_t) override {}
    QByteArray frame() const { return ZqLibUSB()->DevBuffer.left(1024); }
};

QImage storedImage(TmxStorage *storage, const char *name)
{
    return QImage::fromData(storage->ItemByName(QLatin1String(name))->GetAsStream()->readAll(), "BMP");
}

// The clock picture for one moment, as the page should draw it.
QByteArray clockFrame(const QDateTime &now)
{
    SimBench bench;
    Canvas c(&bench.link());
    const QByteArray t = QLocale::system().toString(now.time(), QLocale::LongFormat).toLatin1();
    c.glcd_puts(4, 4, t.mid(0, 5), 3, 1, 0);
    c.glcd_puts(92, 4, ":", 2, 1, 0);
    c.glcd_puts(102, 4, t.mid(6, 2), 2, 1, 0);
    c.glcd_drawFastHLine(30, 29, 75, 1);
    c.glcd_puts(38, 32, QLocale::system().toString(now.date(), QLocale::ShortFormat).toLatin1(), 1, 1, 0);
    c.glcd_puts(10, 46, "V-USB", 2, 1, 0);
    c.glcd_puts2(124, 45, "KESTO", 1, 1, 0, gaRight);
    c.glcd_puts2(124, 54, "display", 1, 1, 0, gaRight);
    c.glcd_drawRect(0, 0, 128, 64, 1);
    return c.frame();
}

bool lit(const QByteArray &frame, int x, int y) { return (std::uint8_t(frame[x + y / 8 * 128]) >> (y % 8)) & 1; }

} // namespace

class TestDisplayPage : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> configHome;
    std::unique_ptr<sim::Simulator> simulator;
    std::unique_ptr<TForm1> form;
    TPageDisplay *page = nullptr;
    QList<int> waits;
    QList<QByteArray> shots;
    Panel shotsOf = Oled;

    QByteArray glass(Panel d) const
    {
        const sim::BridgeFirmware &fw = simulator->firmware();
        return d == Oled ? fw.oled()->glass().toFrame() : fw.lcd()->glass().toFrame();
    }
    // Panel images for a person to look at, when asked for.
    void keepImage(Panel d, const QString &name) const
    {
        const QString dir = qEnvironmentVariable("BRINDLE_PANEL_IMAGES");
        if (dir.isEmpty())
            return;
        QImage image(128, 64, QImage::Format_RGB32);
        const QByteArray frame = glass(d);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x)
                image.setPixel(
                    x, y, lit(frame, x, y) ? (d == Oled ? 0x60C0FF : 0x202020) : (d == Oled ? 0x000000 : 0xB0D080));
        image.scaled(512, 256).save(dir + '/' + name + ".png");
    }
    void select(Panel d)
    {
        page->SetDisplayType(d);
        QTest::mouseClick(page->Button1, Qt::LeftButton);
        QCOMPARE(glass(d), QByteArray(1024, '\0'));
    }
    void type(QLineEdit *field, const QString &text)
    {
        field->clear();
        if (text.toLatin1() == text.toUtf8())
            QTest::keyClicks(field, text);
        else
            field->setText(text); // the test's key table has plain ASCII only
    }
    QString settingsFile() const
    {
        return configHome->filePath(QCoreApplication::applicationName() + QStringLiteral(".conf"));
    }

private slots:
    void init()
    {
        configHome = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", configHome->path().toLocal8Bit());
        simulator = std::make_unique<sim::Simulator>();
        form = std::make_unique<TForm1>(simulator.get(), simulator.get());
        page = form->TabSheet5();
        form->PageControl1->ShowPage(page);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        waits.clear();
        shots.clear();
        shotsOf = Oled;
        page->SetDemoWait([this](int ms) {
            waits << ms;
            shots << glass(shotsOf);
            DelayMs(0);
        });
    }
    void cleanup()
    {
        form.reset();
        simulator.reset();
        configHome.reset();
    }

    void theWindowHandsOverItsParts()
    {
        QCOMPARE(page->Oled(), form->ZqSSD1306OLED1);
        QCOMPARE(page->Cog(), form->ZqST7565COG1);
        QCOMPARE(form->mxStorage1->StoredItems()->Count(), 6);
        QVERIFY(form->findChildren<TmxStorage *>().contains(form->mxStorage1));
        QCOMPARE(page->edText->text(), QStringLiteral("KESTO"));
        QCOMPARE(page->pnlInit->palette().color(QPalette::Window), QColor(0, 100, 0));
    }

    void initialisingLightsThePanel_data()
    {
        QTest::addColumn<int>("display");
        QTest::newRow("OLED") << int(Oled);
        QTest::newRow("COG") << int(Cog);
    }
    void initialisingLightsThePanel()
    {
        QFETCH(int, display);
        page->CheckBox3->setChecked(true);
        QVERIFY(page->Timer2->isActive());
        select(Panel(display));
        QVERIFY(!page->CheckBox3->isChecked());
        QVERIFY(!page->Timer2->isActive());
        QCOMPARE(page->pnlInit->palette().color(QPalette::Window), QColor(0, 255, 0));
        const bool oledOn = simulator->firmware().oled()->registers().displayOn;
        QCOMPARE(oledOn, display == Oled);
        simulator->pull(simulator->adapter());
        QCoreApplication::processEvents();
        QTest::mouseClick(page->AdvGlowButton6, Qt::LeftButton); // the driver finds the link gone
        QCOMPARE(page->pnlInit->palette().color(QPalette::Window), QColor(0, 100, 0));
    }

    void displayWritesText_data()
    {
        QTest::addColumn<int>("display");
        QTest::addColumn<QStringList>("fields"); // X, Y, text, size, cl, bk as typed
        QTest::addColumn<QStringList>("after");  // X, Y, size, cl, bk afterwards
        QTest::addColumn<QList<int>>("drawn");   // x, y, size, cl, bk drawn
        QTest::addColumn<QByteArray>("bytes");   // the text in the font's code page
        auto row = [](const char *name, Panel d, QStringList in, QStringList out, QList<int> drawn,
                      QByteArray bytes = "KESTO") { QTest::newRow(name) << int(d) << in << out << drawn << bytes; };
        row("as the page opens", Oled, {"5", "0", "KESTO", "2", "1", "0"}, {"5", "0", "2", "1", "0"}, {5, 0, 2, 1, 0});
        row("letters in X", Oled, {"ab", "8", "KESTO", "1", "1", "0"}, {"0", "8", "1", "1", "0"}, {0, 8, 1, 1, 0});
        row("negative X is clipped", Oled, {"-3", "0", "KESTO", "1", "1", "0"}, {"-3", "0", "1", "1", "0"},
            {-3, 0, 1, 1, 0});
        row("huge X, empty Y", Oled, {"99999999999", "", "KESTO", "1", "1", "0"}, {"0", "0", "1", "1", "0"},
            {0, 0, 1, 1, 0});
        row("Y past the display", Oled, {"0", "300", "KESTO", "1", "1", "0"}, {"0", "300", "1", "1", "0"},
            {0, 300, 1, 1, 0});
        row("size 5", Oled, {"0", "0", "KESTO", "5", "1", "0"}, {"0", "0", "1", "1", "0"}, {0, 0, 1, 1, 0});
        row("size 0", Oled, {"0", "0", "KESTO", "0", "1", "0"}, {"0", "0", "1", "1", "0"}, {0, 0, 1, 1, 0});
        row("size 4", Oled, {"0", "0", "KESTO", "4", "1", "0"}, {"0", "0", "4", "1", "0"}, {0, 0, 4, 1, 0});
        row("size in signs", Oled, {"0", "0", "KESTO", "#!", "1", "0"}, {"0", "0", "1", "1", "0"}, {0, 0, 1, 1, 0});
        row("colour 2 on 0 shows nothing", Oled, {"0", "0", "KESTO", "2", "2", "0"}, {"0", "0", "2", "0", "0"},
            {0, 0, 2, 0, 0});
        row("dark on light", Oled, {"1", "1", "KESTO", "2", "0", "1"}, {"1", "1", "2", "0", "1"}, {1, 1, 2, 0, 1});
        row("background -1", Oled, {"1", "1", "KESTO", "2", "1", "-1"}, {"1", "1", "2", "1", "0"}, {1, 1, 2, 1, 0});
        row("Polish letters", Oled, {"2", "20", "Żółw", "2", "1", "0"}, {"2", "20", "2", "1", "0"}, {2, 20, 2, 1, 0},
            "\xAF\xF3\xB3w");
        row("COG: 1 on 0 whatever the fields", Cog, {"5", "0", "KESTO", "2", "0", "1"}, {"5", "0", "2", "0", "1"},
            {5, 0, 2, 1, 0});
        row("COG: fields corrected, still 1 on 0", Cog, {"x", "y", "KESTO", "9", "7", "x"}, {"0", "0", "1", "0", "0"},
            {0, 0, 1, 1, 0});
    }
    void displayWritesText()
    {
        QFETCH(int, display);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, after);
        QFETCH(QList<int>, drawn);
        QFETCH(QByteArray, bytes);
        select(Panel(display));
        const QList<QLineEdit *> edits{page->edX,    page->edY,         page->edText,
                                       page->edSize, page->edTextColor, page->edBackColor};
        for (int i = 0; i < edits.size(); ++i)
            type(edits[i], fields[i]);
        QTest::mouseClick(page->AdvGlowButton5, Qt::LeftButton);
        QCOMPARE((QStringList{page->edX->text(), page->edY->text(), page->edSize->text(), page->edTextColor->text(),
                              page->edBackColor->text()}),
                 after);
        SimBench bench;
        Canvas expected(&bench.link());
        expected.glcd_puts(drawn[0], drawn[1], bytes, std::uint8_t(drawn[2]), std::uint8_t(drawn[3]),
                           std::uint8_t(drawn[4]));
        QCOMPARE(glass(Panel(display)), expected.frame());
        if (drawn[1] < 64) // something shows unless it is colour 0 on 0
            QCOMPARE(glass(Panel(display)).count('\0') == 1024, drawn[3] == 0 && drawn[4] == 0);
    }

    // Text adds to the picture; CLS clears only the selected display.
    void clsClearsTheSelectedDisplay()
    {
        select(Cog);
        QTest::mouseClick(page->AdvGlowButton5, Qt::LeftButton);
        select(Oled);
        QTest::mouseClick(page->AdvGlowButton5, Qt::LeftButton);
        const QByteArray once = glass(Oled);
        type(page->edY, QStringLiteral("30"));
        QTest::mouseClick(page->AdvGlowButton5, Qt::LeftButton);
        QVERIFY(simulator->firmware().oled()->glass().litCount() > 0);
        for (int i = 0; i < 1024; ++i)
            QCOMPARE(std::uint8_t(glass(Oled)[i]) & std::uint8_t(once[i]), std::uint8_t(once[i]));
        QTest::mouseClick(page->AdvGlowButton6, Qt::LeftButton);
        QCOMPARE(glass(Oled), QByteArray(1024, '\0'));
        QVERIFY(glass(Cog) != QByteArray(1024, '\0'));
    }

    void comboSavesTheChoiceAtOnce()
    {
        page->ComboBox1->setFocus();
        QTest::keyClick(page->ComboBox1, Qt::Key_Down);
        QCOMPARE(page->DisplayType(), 1);
        QCOMPARE(QSettings(settingsFile(), QSettings::IniFormat).value("display_idx").toString(), QStringLiteral("1"));
        QTest::keyClick(page->ComboBox1, Qt::Key_Up);
        QCOMPARE(QSettings(settingsFile(), QSettings::IniFormat).value("display_idx").toString(), QStringLiteral("0"));
    }

    // Slide-in, portrait, texts, logo; inverted from the first OLED demo on,
    // then the clock 4 s later.
    void demoThenClock_data()
    {
        QTest::addColumn<QList<int>>("runs"); // displays, in order
        QTest::addColumn<QList<bool>>("inverted");
        QTest::newRow("OLED") << QList<int>{Oled} << QList<bool>{true};
        QTest::newRow("COG") << QList<int>{Cog} << QList<bool>{false};
        QTest::newRow("COG, OLED, COG") << QList<int>{Cog, Oled, Cog} << QList<bool>{false, true, true};
    }
    void demoThenClock()
    {
        QFETCH(QList<int>, runs);
        QFETCH(QList<bool>, inverted);
        TmxStorage *store = form->mxStorage1;
        for (int run = 0; run < runs.size(); ++run) {
            const Panel d = Panel(runs[run]);
            const bool inv = inverted[run];
            select(d);
            shotsOf = d;
            waits.clear();
            shots.clear();
            QTest::mouseClick(page->AdvGlowButton13, Qt::LeftButton);
            QCOMPARE(waits, (QList<int>{2000, 500, 500, 500, 500, 500}));
            QCOMPARE(page->DemoInverted(), inv);
            const QImage zubel = storedImage(store, inv ? "zubel_inv.bmp" : "zubel.bmp");
            const QImage zubel1 = storedImage(store, inv ? "zubel1_inv.bmp" : "zubel1.bmp");
            const QImage logo = storedImage(store, inv && d == Cog ? "kesto_logo_inv.bmp" : "kesto_logo.bmp");
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 128; ++x) {
                    QCOMPARE(lit(shots[0], x, y), qGray(zubel.pixel(x, y)) < 128);
                    QCOMPARE(lit(shots[1], x, y), qGray(zubel1.pixel(x, y)) < 128);
                }
            // The logo over the portrait: black logo pixels take the logo colour.
            for (int y = 0; y < 13; ++y)
                for (int x = 0; x < 32; ++x) {
                    const bool black = qGray(logo.pixel(x, y)) < 128;
                    const bool under = qGray(zubel1.pixel(90 + x, 14 + y)) < 128;
                    QCOMPARE(lit(shots.last(), 90 + x, 14 + y), black ? !inv : under);
                }
            QVERIFY(shots[2] != shots[1]); // the web address
            QVERIFY(shots[5] != shots[4]); // the name's second line
            keepImage(d, QStringLiteral("demo-%1-%2").arg(run).arg(d == Oled ? "oled" : "cog"));
            QVERIFY(page->CheckBox3->isChecked());
            QVERIFY(page->Timer2->isActive());
            QCOMPARE(page->Timer2->interval(), 4000);
        }
        page->Timer2->start(1); // not waiting the 4 s out
        const Panel last = Panel(runs.last());
        QTRY_VERIFY(glass(last) == clockFrame(QDateTime::currentDateTime()) ||
                    glass(last) == clockFrame(QDateTime::currentDateTime().addSecs(-1)));
        QCOMPARE(page->Timer2->interval(), 1000);
    }

    void clockShowsTheComputersTime_data()
    {
        QTest::addColumn<int>("display");
        QTest::newRow("OLED") << int(Oled);
        QTest::newRow("COG") << int(Cog);
    }
    void clockShowsTheComputersTime()
    {
        QFETCH(int, display);
        select(Panel(display));
        page->CheckBox3->setChecked(true);
        QCOMPARE(page->Timer2->interval(), 100);
        QTRY_VERIFY(glass(Panel(display)) == clockFrame(QDateTime::currentDateTime()) ||
                    glass(Panel(display)) == clockFrame(QDateTime::currentDateTime().addSecs(-1)));
        QCOMPARE(page->Timer2->interval(), 1000);
        const QByteArray first = glass(Panel(display));
        QTRY_VERIFY_WITH_TIMEOUT(glass(Panel(display)) != first, 2500); // the seconds move on
        QVERIFY(glass(Panel(display)) == clockFrame(QDateTime::currentDateTime()) ||
                glass(Panel(display)) == clockFrame(QDateTime::currentDateTime().addSecs(-1)));
        keepImage(Panel(display), QStringLiteral("clock-%1").arg(display == Oled ? "oled" : "cog"));
        page->CheckBox3->click();
        QVERIFY(!page->Timer2->isActive());
        page->CheckBox3->setChecked(true);
        form->PageControl1->setCurrentIndex(0);
        QVERIFY(!page->CheckBox3->isChecked());
        QVERIFY(!page->Timer2->isActive());
    }

    // The demo goes on without a picture it cannot find.
    void missingPictureIsSkipped()
    {
        QVERIFY(form->mxStorage1->ItemByName(QStringLiteral("zubel1_inv.bmp"))->SetName(QStringLiteral("gone.bmp")));
        select(Oled);
        QTest::mouseClick(page->AdvGlowButton13, Qt::LeftButton);
        QCOMPARE(waits.size(), 6);
        QCOMPARE(shots[1], QByteArray(1024, '\0'));
        QVERIFY(shots.last() != shots[1]);
        QVERIFY(page->Timer2->isActive());
    }

    // While the 24Cxx page writes, no display action starts: buttons are
    // off, a click that still arrives and the clock's ticks do nothing.
    void refusedDuringAnotherOperation()
    {
        select(Oled);
        QTest::mouseClick(page->AdvGlowButton5, Qt::LeftButton);
        const QByteArray before = glass(Oled);
        QByteArray during;
        bool disabled = false;
        QTimer::singleShot(0, page, [&] {
            disabled = !page->AdvGlowButton6->isEnabled() && !page->AdvGlowButton13->isEnabled() &&
                       !page->Button1->isEnabled() && !page->AdvGlowButton5->isEnabled();
            QTest::mouseClick(page->AdvGlowButton6, Qt::LeftButton);
            emit page->AdvGlowButton6->clicked();
            page->CheckBox3->setChecked(true);
            during = glass(Oled);
        });
        {
            TDeviceGuard::THold write = form->DeviceGuard1->Begin(); // as the 24Cxx page holds it
            QVERIFY(write);
            form->ZqEEPROM24Cxx1->WriteEEPROM(QByteArray(64, '\x5A'), 0);
            DelayMs(300); // the clock's first ticks fall inside
            during = during.isEmpty() ? QByteArray("no click") : during;
            QCOMPARE(glass(Oled), before);
        }
        QVERIFY(disabled);
        QCOMPARE(during, before);
        QVERIFY(page->AdvGlowButton6->isEnabled());
        QTest::mouseClick(page->AdvGlowButton6, Qt::LeftButton);
        QCOMPARE(glass(Oled), QByteArray(1024, '\0'));
    }
};

QTEST_MAIN(TestDisplayPage)
#include "tst_displaypage.moc"
