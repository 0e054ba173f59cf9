// The simulator window beside the main window, headless: plugging and
// pulling, the panels, the chips, the log, the capture file and the state
// kept between runs.
#include "PanelView.h"
#include "Pcf8583.h"
#include "Simulator.h"
#include "SimulatorWindow.h"
#include "Ssd1306.h"
#include "St7565.h"
#include "StatusPanel.h"
#include "TForm1.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqHexView.h"
#include "ZqLibUSB.h"
#include "ZqSSD1306OLED.h"
#include "ZqST7565COG.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace sim;

namespace {
const QString kConnected = QStringLiteral("RZT-USBasp connected");
const QString kNotConnected = QStringLiteral("RZT-USBasp not connected");

// The program as main builds it in simulator mode.
struct Program {
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<TForm1> form;
    TSimulatorWindow *window = nullptr;

    explicit Program(const QStringList &arguments = {"--simulator"})
    {
        QString error;
        simulator = Simulator::fromArguments(arguments, error);
        if (!simulator)
            qFatal("%s", qPrintable(error));
        form = std::make_unique<TForm1>(simulator.get(), simulator.get());
        form->show();
        window = new TSimulatorWindow(simulator.get(), form.get());
        window->PlaceBeside(form.get());
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            qWarning("simulator window not exposed");
    }
    ~Program()
    {
        form.reset();
        simulator.reset();
    }
    bool connected() const { return form->ZqLibUSB1->Connected(); }
    // Result of a 104 read of n bytes at the device byte; the bytes in DevBuffer.
    int i2cRead(int device, int index, int n)
    {
        TUsbCtrlSet s;
        s.bRequest = 104;
        s.wValue = std::uint16_t(device);
        s.wIndex = std::uint16_t(index);
        s.wLength = std::uint16_t(n);
        return form->ZqLibUSB1->DevRead3(s);
    }
};

QByteArray pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 13 + 5) & 0xFF);
    return bytes;
}

QByteArray fileBytes(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The drivers' frame buffer after drawing: a frame, a filled box and a diagonal.
void drawPicture(TZqGLCDBase &driver)
{
    driver.glcd_cls();
    driver.glcd_drawRect(0, 0, 128, 64, 1);
    driver.glcd_fillRect(10, 10, 20, 12, 1);
    driver.glcd_drawLine(40, 5, 100, 60, 1);
    driver.glcd_display();
}
} // namespace

class TestSimulatorWindow : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        configHome = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", configHome->path().toLocal8Bit());
    }
    void cleanup() { configHome.reset(); }

    void pullAndPlugFromTheWindow()
    {
        Program program;
        QTRY_COMPARE(program.form->StatusPanel0->text(), kConnected);
        QVERIFY(!program.window->PlugButton->isEnabled());
        QTest::mouseClick(program.window->PullButton, Qt::LeftButton);
        QTRY_COMPARE(program.form->StatusPanel0->text(), kNotConnected);
        QVERIFY(!program.connected());
        QVERIFY(program.window->PlugButton->isEnabled());
        QVERIFY(!program.window->PullButton->isEnabled());
        QTest::mouseClick(program.window->PlugButton, Qt::LeftButton);
        QTRY_COMPARE(program.form->StatusPanel0->text(), kConnected);
        QVERIFY(program.connected());
    }

    // What the drivers send ends up on the panels as the glass shows it.
    void picturesAppearOnThePanels()
    {
        Program program;
        QTRY_VERIFY(program.connected());
        TZqSSD1306OLED &oled = *program.form->ZqSSD1306OLED1;
        TZqST7565COG &cog = *program.form->ZqST7565COG1;
        QVERIFY(oled.ssd1306_init(2, 0x80, 0));
        drawPicture(oled);
        QVERIFY(cog.st7565_init(0x20));
        drawPicture(cog);
        const PanelImage oledGlass = program.simulator->firmware().oled()->glass();
        const PanelImage lcdGlass = program.simulator->firmware().lcd()->glass();
        QTRY_VERIFY(program.window->OledView->Image() == oledGlass);
        QTRY_VERIFY(program.window->LcdView->Image() == lcdGlass);
        for (const PanelImage &image : {program.window->OledView->Image(), program.window->LcdView->Image()}) {
            QVERIFY(image.pixel(0, 0) && image.pixel(127, 63) && image.pixel(15, 15) && image.pixel(40, 5));
            QVERIFY(!image.pixel(5, 5) && !image.pixel(64, 10));
        }
        const QImage picture = program.window->OledView->Picture();
        QCOMPARE(picture.size(), QSize(128, 64) * program.window->OledView->Zoom());
        const int z = program.window->OledView->Zoom();
        QCOMPARE(picture.pixelColor(5 * z, 5 * z), QColor(Qt::black));
        QVERIFY(picture.pixelColor(15 * z, 15 * z).lightness() > 100);
        const QImage lcd = program.window->LcdView->Picture();
        QVERIFY(lcd.pixelColor(15 * z, 15 * z).lightness() < lcd.pixelColor(5 * z, 5 * z).lightness());

        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("oled.png"));
        QVERIFY(program.window->SavePanel(program.window->OledView, png));
        QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32), picture.convertToFormat(QImage::Format_RGB32));
    }

    // Inversion, contrast and display off show on the OLED panel.
    void oledStateIsVisible()
    {
        Program program;
        QTRY_VERIFY(program.connected());
        TZqSSD1306OLED &oled = *program.form->ZqSSD1306OLED1;
        QVERIFY(oled.ssd1306_init(2, 0x80, 0));
        drawPicture(oled);
        TPanelView *view = program.window->OledView;
        const int z = view->Zoom();
        QTRY_VERIFY(view->Image().pixel(15, 15));
        oled.ssd1306_contrast(0xFF);
        QTRY_COMPARE(program.simulator->firmware().oled()->registers().contrast, quint8(0xFF));
        program.window->Refresh();
        const int bright = view->Picture().pixelColor(15 * z, 15 * z).lightness();
        oled.ssd1306_contrast(0x00);
        program.window->Refresh();
        QVERIFY(view->Picture().pixelColor(15 * z, 15 * z).lightness() < bright);
        oled.ssd1306_invertDisplay(true);
        QTRY_VERIFY(!view->Image().pixel(15, 15) && view->Image().pixel(5, 5));
        program.form->ZqLibUSB1->DevWrite(102, 0x78, 0xAE << 8, 0); // display off
        QTRY_COMPARE(view->Image().litCount(), 0);
    }

    // A clock sending frames after frames is drawn once per screen frame.
    void redrawsAreCoalesced()
    {
        Program program;
        QTRY_VERIFY(program.connected());
        TZqSSD1306OLED &oled = *program.form->ZqSSD1306OLED1;
        QVERIFY(oled.ssd1306_init(2, 0x80, 0));
        QTest::qWait(100);
        const int before = program.window->Frames();
        const std::uint64_t sentBefore = program.simulator->adapter()->log().total();
        for (int i = 0; i < 5; ++i)
            drawPicture(oled); // no event processing between frames
        QVERIFY(program.simulator->adapter()->log().total() - sentBefore >= 5);
        QCOMPARE(program.window->Frames(), before);
        QVERIFY(program.window->FramePending());
        QTRY_VERIFY(!program.window->FramePending());
        QCOMPARE(program.window->Frames(), before + 1);
    }

    void chipTypeChangesWhatAReadReturns_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("resultAtAA");
        QTest::newRow("24c02: nothing at AA") << "24C02" << 0;
        QTest::newRow("24c16: a fresh chip at AA") << "24C16" << 4;
    }

    void chipTypeChangesWhatAReadReturns()
    {
        QFETCH(QString, type);
        QFETCH(int, resultAtAA);
        Program program;
        QTRY_VERIFY(program.connected());
        program.simulator->firmware().eeprom24()->setMemory(256, pattern(4));
        QCOMPARE(program.i2cRead(0xAA, 0, 4), 4);
        QCOMPARE(program.form->ZqLibUSB1->DevBuffer.left(4), pattern(4));

        program.window->Eeprom24Type->setCurrentText(type);

        QVERIFY(program.connected());
        QCOMPARE(QString::fromLatin1(program.simulator->firmware().eeprom24()->variant().name), type.toLower());
        QCOMPARE(program.i2cRead(0xAA, 0, 4), resultAtAA);
        if (resultAtAA)
            QCOMPARE(program.form->ZqLibUSB1->DevBuffer.left(4), QByteArray(4, char(0xFF)));
        const int size = program.simulator->firmware().eeprom24()->variant().size;
        QTRY_VERIFY(program.window->Eeprom24Hex->toPlainText().contains(
            QStringLiteral("%1").arg(size - 16, 3, 16, QLatin1Char('0')).toUpper()));
    }

    // The log names each request; the clock can be set apart from the computer's.
    void logAndClock()
    {
        Program program;
        QTRY_VERIFY(program.connected());
        program.i2cRead(0xA8, 0x10, 2);
        QTRY_VERIFY(program.window->LogView->toPlainText().contains(
            QRegularExpression(QStringLiteral("\\d\\.\\d{6} IN  arI2CRead +v=00A8 i=0010 l=2 +r=2$"))));
        QCOMPARE(TSimulatorWindow::RequestName(158), QStringLiteral("arMicrowireShift"));
        QCOMPARE(TSimulatorWindow::RequestName(99), QStringLiteral("99"));

        const QDateTime later = QDateTime::currentDateTime().addDays(-400);
        program.window->ClockEdit->setDateTime(later);
        QTest::mouseClick(program.window->ClockSetButton, Qt::LeftButton);
        QVERIFY(std::abs(program.simulator->clockTime().secsTo(later)) <= 1);
        QVERIFY(program.window->ClockLabel->text().startsWith(later.toString(QStringLiteral("yyyy-MM-dd"))));
        QTest::mouseClick(program.window->ClockNowButton, Qt::LeftButton);
        QVERIFY(std::abs(program.simulator->clockTime().secsTo(QDateTime::currentDateTime())) <= 1);
    }

    // tshark lists the vendor requests of a saved capture as they were sent.
    void captureOpensInTshark()
    {
        const QString tshark = QStandardPaths::findExecutable(QStringLiteral("tshark"));
        Program program;
        QTRY_VERIFY(program.connected());
        program.simulator->adapter()->log().clear();
        program.i2cRead(0xA8, 0x10, 2);
        program.form->ZqLibUSB1->DevBuffer.replace(0, 3, QByteArray("\x11\x22\x33", 3));
        program.form->ZqLibUSB1->DevWrite(103, 0x1A8, 0x0020, 3);
        program.form->ZqLibUSB1->DevWrite(150, 8, 0, 1);
        program.i2cRead(0xEE, 0, 1); // nobody there
        QStringList sent;
        for (const TransferRecord &r : program.simulator->adapter()->log().records())
            sent << QStringLiteral("%1 %2 %3 %4").arg(r.request).arg(r.value).arg(r.index).arg(r.length);
        QCOMPARE(sent.size(), 4);

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("transfers.pcap"));
        QString error;
        QVERIFY2(program.window->SaveCapture(file, error), qPrintable(error));
        if (tshark.isEmpty())
            QSKIP("tshark is not installed");
        QProcess run;
        run.start(tshark, {"-r", file, "-T", "fields", "-e", "usb.setup.bRequest", "-e", "usb.setup.wValue", "-e",
                           "usb.setup.wIndex", "-e", "usb.setup.wLength", "-e", "usb.transfer_type"});
        QVERIFY(run.waitForFinished(60000));
        QCOMPARE(run.exitCode(), 0);
        QStringList listed;
        int records = 0;
        for (const QByteArray &line : run.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> f = line.split('\t');
            if (line.isEmpty())
                continue;
            ++records;
            QCOMPARE(f.size(), 5);
            QCOMPARE(f[4].toInt(nullptr, 0), 2); // control
            if (f[0].isEmpty())
                continue; // a completion
            listed << QStringLiteral("%1 %2 %3 %4")
                          .arg(f[0].toInt(nullptr, 0))
                          .arg(f[1].toInt(nullptr, 0))
                          .arg(f[2].toInt(nullptr, 0))
                          .arg(f[3].toInt(nullptr, 0));
        }
        QCOMPARE(records, 8);
        QCOMPARE(listed, sent);
    }

    // A pattern written through the engine is there in the next run.
    void stateKeepsAWrittenPattern()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("chips.state"));
        const QStringList arguments{"--simulator", "--sim-state", file};
        {
            Program first(arguments);
            QTRY_VERIFY(first.connected());
            first.form->ZqEEPROM24Cxx1->WriteEEPROM(pattern(48), 0x20);
            QCOMPARE(first.simulator->firmware().eeprom24()->memory().mid(0x20, 48), pattern(48));
            QString error;
            QVERIFY2(first.simulator->saveState(error), qPrintable(error));
        }
        Program second(arguments);
        QTRY_VERIFY(second.connected());
        QVERIFY(!second.window->MessageLabel->isVisibleTo(second.window));
        QCOMPARE(second.i2cRead(0xA8, 0x20, 48), 48);
        QCOMPARE(second.form->ZqLibUSB1->DevBuffer.left(48), pattern(48));
        QVERIFY(second.window->Eeprom24Hex->toPlainText().contains(QStringLiteral("020  05 12 1F")));
    }

    void damagedStateIsLeftUntouched()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("chips.state"));
        const QByteArray damaged = "Brindle simulator state 1\n24cxx 24c04 00FF\n";
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(damaged);
        }
        Program program({"--simulator", "--sim-state", file});
        QVERIFY(program.window->MessageLabel->isVisibleTo(program.window));
        QVERIFY2(program.window->MessageLabel->text().contains(QStringLiteral("is not a simulator state file")),
                 qPrintable(program.window->MessageLabel->text()));
        QCOMPARE(program.simulator->firmware().eeprom24()->memory(), QByteArray(512, char(0xFF)));
        QString error;
        QVERIFY(program.simulator->saveState(error));
        QCOMPARE(fileBytes(file), damaged);
    }

private:
    std::unique_ptr<QTemporaryDir> configHome;
};

QTEST_MAIN(TestSimulatorWindow)
#include "tst_simulatorwindow.moc"
