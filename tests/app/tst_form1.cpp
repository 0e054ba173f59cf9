// The main window on the virtual adapter, headless: what a user sees at start,
// what survives a restart, and how the status bar follows the adapter.
#include "ClickablePicture.h"
#include "DeviceGuard.h"
#include "FirstPaint.h"
#include "Firmware.h"
#include "Page24Cxx.h"
#include "Page93Cxx.h"
#include "PageDisplay.h"
#include "PageRtc.h"
#include "Pictures.h"
#include "SimBackend.h"
#include "StatusPanel.h"
#include "TForm1.h"
#include "UpdateStatusPanel.h"
#include "WebUpdateWizard.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqEEPROM93Cxx.h"
#include "ZqFormSR.h"
#include "ZqHexView.h"
#include "ZqLibUSB.h"
#include "ZqRegistry.h"
#include "ZqSSD1306OLED.h"
#include "ZqST7565COG.h"
#include "frmSchematU.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace sim;

class TestForm1 : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> configHome;
    std::unique_ptr<SimBackend> usb;
    VirtualAdapter *adapter = nullptr;

    QString storeFile() const
    {
        return configHome->filePath(QCoreApplication::applicationName() + QStringLiteral(".conf"));
    }
    void seed(const QString &group, const QVariantMap &values)
    {
        QSettings store(storeFile(), QSettings::IniFormat);
        store.beginGroup(group);
        for (auto it = values.begin(); it != values.end(); ++it)
            store.setValue(it.key(), it.value());
    }
    std::unique_ptr<TForm1> shownForm()
    {
        auto form = std::make_unique<TForm1>(usb.get());
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("main window not exposed");
        return form;
    }

private slots:
    void init()
    {
        configHome = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", configHome->path().toLocal8Bit());
        usb = std::make_unique<SimBackend>();
        adapter = usb->addAdapter(std::make_unique<EchoFirmware>());
    }
    void cleanup()
    {
        usb.reset();
        configHome.reset();
    }

    void firstStartShowsDefaults()
    {
        TForm1 form(usb.get());
        QCOMPARE(form.windowTitle(), QStringLiteral("Brindle   ver: 1.0.0.2"));
        QCOMPARE(form.PageControl1->currentIndex(), 0);
        QCOMPARE(form.PageControl1->tabText(0), QStringLiteral("EEPROM 24Cxx"));
        QCOMPARE(form.PageControl1->tabText(4), QStringLiteral("OLED/COG"));
        QCOMPARE(form.TabSheet1()->ComboBox3->currentText(), QStringLiteral("24c04 - 4 kbit"));
        QCOMPARE(form.TabSheet2()->ComboBox2->currentText(), QStringLiteral("93C46 - 1 kbit"));
        QVERIFY(form.TabSheet2()->RadioButton1->isChecked());
        QVERIFY(!form.TabSheet2()->RadioButton2->isChecked());
        QCOMPARE(form.TabSheet5()->ComboBox1->currentIndex(), 0);
        QCOMPARE(form.StatusPanel0->text(), QStringLiteral("RZT-USBasp not connected"));
        QVERIFY(form.StatusPanel1->text().isEmpty());
    }

    // Tabs are 110 x 22; a caption wider than that widens its tab instead of
    // being cut short.
    void tabsKeepTheirSize()
    {
        TForm1 form(usb.get());
        const QTabBar *bar = form.PageControl1->tabBar();
        for (int index = 0; index < bar->count(); ++index)
            QCOMPARE(bar->tabRect(index).size(), QSize(110, 22));
        const QString wide = QStringLiteral("A caption far wider than any tab of the window");
        form.PageControl1->setTabText(2, wide);
        QCOMPARE(bar->tabRect(2).width(), bar->fontMetrics().horizontalAdvance(wide) + 8);
        QCOMPARE(bar->tabRect(3).size(), QSize(110, 22));
    }

    // Engines and drivers hold the window's link and views; the stored chip
    // choices reach the engines before the window is first shown.
    void componentsWiredAndChipTypesApplied()
    {
        seed(QString(), {{"24cxx", "3"}, {"93cxx", "4"}, {"eo", "0"}});
        TForm1 form(usb.get());
        QCOMPARE(form.ZqEEPROM24Cxx1->ZqLibUSB(), form.ZqLibUSB1);
        QCOMPARE(form.ZqEEPROM24Cxx1->ZqHexView(), static_cast<QObject *>(form.TabSheet1()->ZqHexView1));
        QCOMPARE(form.ZqEEPROM24Cxx1->AddrI2C(), QStringLiteral("A8"));
        QCOMPARE(form.ZqEEPROM93Cxx1->ZqHexView(), static_cast<QObject *>(form.TabSheet2()->ZqHexView2));
        QCOMPARE(form.ZqSSD1306OLED1->ZqLibUSB(), form.ZqLibUSB1);
        QCOMPARE(form.ZqSSD1306OLED1->I2C_BitrateKhz(), 700);
        QCOMPARE(form.ZqST7565COG1->ZqLibUSB(), form.ZqLibUSB1);
        QCOMPARE(form.ZqST7565COG1->Bus(), tbSPI);
        QCOMPARE(form.ZqEEPROM24Cxx1->EepromType(), TZqEEPROM24Cxx::et24c16);
        QCOMPARE(form.ZqEEPROM93Cxx1->EepromType(), TZqEEPROM93Cxx::et93c86);
        QCOMPARE(form.ZqEEPROM93Cxx1->EepromOrganisation(), TZqEEPROM93Cxx::eo8_bit);
        form.TabSheet2()->RadioButton1->setChecked(true);
        form.TabSheet1()->ComboBox3->setCurrentIndex(0);
        QCOMPARE(form.ZqEEPROM93Cxx1->EepromOrganisation(), TZqEEPROM93Cxx::eo16_bit);
        QCOMPARE(form.ZqEEPROM24Cxx1->EepromType(), TZqEEPROM24Cxx::et24c02);
    }

    // Only one device operation at a time, released however it ends.
    void guardAdmitsOneOperation()
    {
        TForm1 form(usb.get());
        TDeviceGuard *guard = form.DeviceGuard1;
        QCOMPARE(form.TabSheet3()->Guard(), guard);
        QSignalSpy changes(guard, &TDeviceGuard::BusyChanged);
        {
            TDeviceGuard::THold first = guard->Begin();
            QVERIFY(first);
            QVERIFY(guard->Busy());
            QVERIFY(!guard->Begin());
            TDeviceGuard::THold moved = std::move(first);
            QVERIFY(!first);
            QVERIFY(guard->Busy());
        }
        QVERIFY(!guard->Busy());
        QVERIFY(guard->Begin());
        QCOMPARE(changes.count(), 4);
        QCOMPARE(changes.at(1).at(0).toBool(), false);
    }

    void choicesAndPlaceSurviveRestart()
    {
        QSize size;
        {
            auto form = shownForm();
            form->resize(800, 500);
            form->PageControl1->setCurrentIndex(3);
            form->TabSheet1()->ComboBox3->setCurrentIndex(3);
            form->TabSheet2()->ComboBox2->setCurrentIndex(4);
            form->TabSheet2()->RadioButton2->setChecked(true);
            size = form->size();
            form->close();
        }
        auto form = shownForm();
        QCOMPARE(form->PageControl1->currentIndex(), 3);
        QCOMPARE(form->TabSheet1()->ComboBox3->currentIndex(), 3);
        QCOMPARE(form->TabSheet2()->ComboBox2->currentIndex(), 4);
        QVERIFY(form->TabSheet2()->RadioButton2->isChecked());
        QCOMPARE(form->size(), size);
    }

    // Quitting rewrites the settings file once, with the choices and the place
    // together; destroying the closed window writes nothing more. A page the
    // user never opened keeps the choices stored for it.
    void settingsWrittenOnceOnQuit()
    {
        seed(QString(), {{"eo", 0}, {"93cxx", 3}, {"ds13xx", 0}});
        auto form = shownForm();
        form->resize(810, 510);
        form->PageControl1->setCurrentIndex(2);
        form->TabSheet1()->ComboBox3->setCurrentIndex(2);
        const int before = ZqRegistry::CommitCount();
        form->close();
        form.reset();
        QCOMPARE(ZqRegistry::CommitCount() - before, 1);
        QSettings store(storeFile(), QSettings::IniFormat);
        QCOMPARE(store.value("page_nr").toString(), QStringLiteral("2"));
        QCOMPARE(store.value("24cxx").toString(), QStringLiteral("2"));
        QCOMPARE(store.value("eo").toString(), QStringLiteral("0"));
        QCOMPARE(store.value("93cxx").toString(), QStringLiteral("3"));
        QCOMPARE(store.value("ds13xx").toString(), QStringLiteral("0"));
        QCOMPARE(store.value("Form1/Width").toString(), QStringLiteral("810"));
        QCOMPARE(store.value("Form1/Height").toString(), QStringLiteral("510"));
    }

    // At start only the current page is made; another is made, with its stored
    // choices, when its tab is chosen, and looks as if it had been there all along.
    void pagesMadeWhenFirstNeeded()
    {
        seed(QString(), {{"page_nr", 1}, {"eo", 0}, {"93cxx", 3}, {"24cxx", 2}, {"24cxx_block", 8}});
        auto form = shownForm();
        for (int index : {0, 2, 3, 4})
            QVERIFY2(!form->PageControl1->MadePage(index), qPrintable(QString::number(index)));
        auto *page93 = form->PageControl1->MadePage(1);
        QVERIFY(page93 && page93->isVisible());
        QCOMPARE(form->TabSheet2()->ComboBox2->currentIndex(), 3);
        QVERIFY(form->TabSheet2()->RadioButton2->isChecked());
        QCOMPARE(form->ZqEEPROM93Cxx1->ZqHexView(), static_cast<QObject *>(form->TabSheet2()->ZqHexView2));

        form->PageControl1->setCurrentIndex(0);
        auto *page24 = form->PageControl1->MadePage(0);
        QVERIFY(page24 && page24->isVisible());
        QVERIFY(!page93->isVisible());
        QCOMPARE(page24->geometry(), page93->geometry());
        QCOMPARE(form->TabSheet1()->ComboBox3->currentIndex(), 2);
        QCOMPARE(form->TabSheet1()->edBlockSize->value(), 8);
        QCOMPARE(form->ZqEEPROM24Cxx1->ZqHexView(), static_cast<QObject *>(form->TabSheet1()->ZqHexView1));

        // Asked for from code, a page is made without becoming the current one.
        TPageRtc *rtc = form->TabSheet3();
        QCOMPARE(form->PageControl1->MadePage(2), static_cast<QWidget *>(rtc));
        QCOMPARE(form->PageControl1->currentIndex(), 0);
        QVERIFY(!rtc->isVisible());
        QCOMPARE(rtc->edRok->text(), QString::number(QDate::currentDate().year()));
        QCOMPARE(rtc->Guard(), form->DeviceGuard1);
    }

    // A page's picture is painted when the page is first shown, not before.
    void pagePicturesPaintedWhenFirstShown()
    {
        auto form = shownForm();
        QCOMPARE(form->TabSheet1()->Image7->pixmap().toImage(),
                 Pictures::chipPackagePicture(QStringLiteral("24c04")).toImage());
        QVERIFY(form->TabSheet3()->Image1->pixmap().isNull());
        QVERIFY(form->TabSheet5()->Image2->pixmap().isNull());
        form->PageControl1->ShowPage(form->TabSheet5());
        QCOMPARE(form->TabSheet5()->Image2->pixmap().toImage(), Pictures::oledModulePicture().toImage());
        QCOMPARE(form->TabSheet5()->Image2->size(), Pictures::OledPictureSize);
        QVERIFY(form->TabSheet3()->Image1->pixmap().isNull());
    }

    void badStoredValuesFallBackToDefaults()
    {
        seed(QString(),
             {{"page_nr", "seven"}, {"24cxx", "99"}, {"93cxx", "-3"}, {"display_idx", "x"}, {"eo", "maybe"}});
        seed(QStringLiteral("Form1"), {{"Width", "wide"}, {"Height", "tall"}});
        auto form = shownForm();
        QCOMPARE(form->PageControl1->currentIndex(), 0);
        QCOMPARE(form->TabSheet1()->ComboBox3->currentIndex(), 1);
        QCOMPARE(form->TabSheet2()->ComboBox2->currentIndex(), 0);
        QCOMPARE(form->TabSheet5()->ComboBox1->currentIndex(), 0);
        QCOMPARE(form->size(), QSize(720, 456));
        form->close();
        QSettings store(storeFile(), QSettings::IniFormat);
        QCOMPARE(store.value("24cxx").toString(), QStringLiteral("1"));
        QCOMPARE(store.value("Form1/Width").toString(), QStringLiteral("720"));
    }

    // The 24Cxx read block size: stored at close, restored at start; a
    // stored value outside 1..256 gives the default 64.
    void blockSizeStored_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("none") << QString() << 64;
        QTest::newRow("16") << "16" << 16;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("256") << "256" << 256;
        QTest::newRow("0") << "0" << 64;
        QTest::newRow("257") << "257" << 64;
        QTest::newRow("text") << "fast" << 64;
    }
    void blockSizeStored()
    {
        QFETCH(QString, stored);
        QFETCH(int, shown);
        if (!stored.isNull())
            seed(QString(), {{"24cxx_block", stored}});
        {
            auto form = shownForm();
            QCOMPARE(form->TabSheet1()->edBlockSize->value(), shown);
            QCOMPARE(form->ZqEEPROM24Cxx1->BlockSize(), shown);
            form->TabSheet1()->edBlockSize->setValue(32);
            form->close();
        }
        QSettings store(storeFile(), QSettings::IniFormat);
        QCOMPARE(store.value("24cxx_block").toString(), QStringLiteral("32"));
        auto form = shownForm();
        QCOMPARE(form->ZqEEPROM24Cxx1->BlockSize(), 32);
    }

    void storedMaximizedStartsMaximized()
    {
        seed(QStringLiteral("Form1"), {{"maximized", "2"}, {"Width", "750"}});
        auto form = shownForm();
        QVERIFY(form->windowState() & Qt::WindowMaximized);
    }

    void statusFollowsAdapter()
    {
        usb->plug(adapter);
        QCoreApplication::processEvents();
        auto form = shownForm();
        QCOMPARE(form->StatusPanel0->text(), QStringLiteral("RZT-USBasp connected"));
        usb->pull(adapter);
        QTRY_COMPARE(form->StatusPanel0->text(), QStringLiteral("RZT-USBasp not connected"));
        usb->plug(adapter);
        QTRY_COMPARE(form->StatusPanel0->text(), QStringLiteral("RZT-USBasp connected"));
    }

    // Another 16C0:05DC device plugged in while the program works through the
    // adapter: the work goes on with the adapter it began on, though the
    // newcomer comes first in bus order.
    void secondAdapterDuringARunLeavesTheFirstWorking()
    {
        adapter->setBusnum(2);
        usb->plug(adapter);
        QCoreApplication::processEvents();
        auto form = shownForm();
        VirtualAdapter *second = usb->addAdapter(std::make_unique<EchoFirmware>());
        int done = 0;
        for (int i = 0; i < 200; ++i) {
            if (i == 100)
                usb->plug(second);
            done += form->ZqLibUSB1->DevWrite(arSpiWriteByte, i, 0, 0);
            QCoreApplication::processEvents();
        }
        QCOMPARE(done, 200);
        QCOMPARE(adapter->log().records().size(), size_t(200));
        QVERIFY(second->log().records().empty());
        QCOMPARE(form->StatusPanel0->text(), QStringLiteral("RZT-USBasp connected"));
    }

    // The adapter went without a removal notice; the device that arrives next
    // cannot be opened: the status must not go on saying "connected".
    void lostAdapterAndFailedReopenShowNotConnected()
    {
        usb->plug(adapter);
        QCoreApplication::processEvents();
        auto form = shownForm();
        QCOMPARE(form->StatusPanel0->text(), QStringLiteral("RZT-USBasp connected"));
        usb->pullUnheard(adapter);
        VirtualAdapter *second = usb->addAdapter(std::make_unique<EchoFirmware>());
        second->setRefuseOpen(true);
        usb->plug(second);
        QTRY_COMPARE(form->StatusPanel0->text(), QStringLiteral("RZT-USBasp not connected"));
        QVERIFY(!form->ZqLibUSB1->Connected());
    }

    void accessDeniedKeepsNotConnectedAndHintsOnce()
    {
        adapter->setAccessDenied(true);
        usb->plug(adapter);
        QCoreApplication::processEvents();
        auto form = shownForm();
        QCOMPARE(form->StatusPanel0->text(), QStringLiteral("RZT-USBasp not connected"));
        QMessageBox *hint = form->AccessDeniedHint();
        QVERIFY(hint);
        QTRY_VERIFY(hint->isVisible());
        QVERIFY(hint->text().contains(QStringLiteral("packaging/70-rzt-usbasp.rules")));
        QVERIFY(form->StatusPanel0->toolTip().contains(QStringLiteral("udev")));
        hint->accept();
        usb->pull(adapter);
        usb->plug(adapter);
        QTRY_VERIFY(!form->ZqLibUSB1->Connected());
        QTest::qWait(20);
        QCOMPARE(form->AccessDeniedHint(), hint);
        QVERIFY(!hint->isVisible());
        adapter->setAccessDenied(false);
        usb->pull(adapter);
        usb->plug(adapter);
        QTRY_COMPARE(form->StatusPanel0->text(), QStringLiteral("RZT-USBasp connected"));
        QVERIFY(form->StatusPanel0->toolTip().isEmpty());
    }

    void leavingPagesStopsTheirTimers()
    {
        auto form = shownForm();
        form->PageControl1->setCurrentIndex(2);
        QTest::mouseClick(form->TabSheet3()->AdvGlowButton1, Qt::LeftButton);
        QVERIFY(form->TabSheet3()->Timer1->isActive());
        form->PageControl1->setCurrentIndex(4);
        QVERIFY(!form->TabSheet3()->Timer1->isActive());
        form->TabSheet5()->CheckBox3->setChecked(true);
        QVERIFY(form->TabSheet5()->Timer2->isActive());
        form->PageControl1->setCurrentIndex(0);
        QVERIFY(!form->TabSheet5()->CheckBox3->isChecked());
        QVERIFY(!form->TabSheet5()->Timer2->isActive());
    }

    void rtcPageRestoredWithPollingOff()
    {
        seed(QString(), {{"page_nr", "2"}});
        auto form = shownForm();
        QCOMPARE(form->PageControl1->currentIndex(), 2);
        QVERIFY(!form->TabSheet3()->Timer1->isActive());
    }

    void updateCheckRunsOncePerRun()
    {
        auto form = shownForm();
        QVERIFY(form->webUpdTimer->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(form->UpdateChecksRun(), 1, 5000);
        // Nothing listens on the test's update address: the panel says so, not "current".
        QTRY_COMPARE_WITH_TIMEOUT(form->StatusPanel1->text(), QStringLiteral("Update check failed"), 15000);
        form->hide();
        form->show();
        QVERIFY(!form->webUpdTimer->isActive());
        QCoreApplication::postEvent(form.get(), new QEvent(QEvent::Type(TForm1::WM_UPDATE_CHECK)));
        QTest::qWait(50);
        QCOMPARE(form->UpdateChecksRun(), 1);
    }

    void updatePanelOpensWizardBeforeTheCheck()
    {
        auto form = shownForm();
        QVERIFY(form->webUpdTimer->isActive());
        bool wizardShown = false;
        QTimer::singleShot(0, this, [&] {
            wizardShown = form->WebUpdateWizard1->isVisible();
            form->WebUpdateWizard1->reject();
        });
        QTest::mouseClick(form->StatusPanel1, Qt::LeftButton);
        QVERIFY(wizardShown);
        QCOMPARE(form->WebUpdateWizard1->windowTitle(), QStringLiteral("Brindle"));
    }

    // What waits for the main window's first paint (the simulator's window)
    // runs once, when that paint comes, not at show() and not again later.
    void firstPaintJobRunsOnce()
    {
        QWidget window;
        window.resize(200, 100);
        int runs = 0;
        OnFirstPaint(&window, [&] { ++runs; });
        window.show();
        QCOMPARE(runs, 0);
        QTRY_COMPARE(runs, 1);
        window.repaint();
        window.hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.repaint();
        QCOMPARE(runs, 1);
    }

    void picturesOpenTheWiringWindow()
    {
        auto form = shownForm();
        TfrmSchemat schemat;
        form->frmSchemat = &schemat;
        QVERIFY(!schemat.isVisible());
        QTest::mouseClick(form->TabSheet1()->Image7, Qt::LeftButton);
        QVERIFY(schemat.isVisible());
        QVERIFY(form->isVisible()); // modeless: the main window stays usable
        schemat.close();
        QVERIFY(!schemat.isVisible());
        form->PageControl1->setCurrentIndex(4);
        QTest::mouseClick(form->TabSheet5()->Image2, Qt::LeftButton);
        QVERIFY(schemat.isVisible());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
