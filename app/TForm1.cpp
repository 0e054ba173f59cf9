#include "TForm1.h"

#include "DeviceGuard.h"
#include "ImageFileBox.h"
#include "Page24Cxx.h"
#include "Page93Cxx.h"
#include "PageDisplay.h"
#include "PageDs13xx.h"
#include "PageControl.h"
#include "PageRtc.h"
#include "Simulator.h"
#include "StatusPanel.h"
#include "StoredPictures.h"
#include "UpdateAddress.h"
#include "UpdateStatusPanel.h"
#include "WebUpdate.h"
#include "WebUpdateWizard.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqEEPROM93Cxx.h"
#include "ZqFonts.h"
#include "ZqFormSR.h"
#include "ZqHexView.h"
#include "ZqLibUSB.h"
#include "ZqRtcDs13xx.h"
#include "ZqSSD1306OLED.h"
#include "ZqST7565COG.h"
#include "ZqTools.h"
#include "frmSchematU.h"
#include "mxStorage.h"
#include <QCheckBox>

#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString kNotConnected = QStringLiteral("RZT-USBasp not connected");
const QString kConnected = QStringLiteral("RZT-USBasp connected");
const QString kAccessDenied =
    QStringLiteral("Access to the RZT-USBasp was denied: this system lets only privileged users open the adapter.\n\n"
                   "Install the udev rule that comes with Brindle, then unplug the adapter and plug it in again:\n\n"
                   "sudo cp packaging/70-rzt-usbasp.rules /etc/udev/rules.d/\n"
                   "sudo udevadm control --reload\n"
                   "sudo udevadm trigger");
} // namespace

TForm1::TForm1(UsbBackend *usb, sim::Simulator *simulator, QWidget *parent) : QMainWindow(parent), FSimulator(simulator)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Brindle"));
    setFont(ZqFonts::Caption(QStringLiteral("Tahoma"), 8));
    resize(720, 456);
    setMinimumSize(720, 456);
    CreatePages();
    CreateStatusBar();
    CreateComponents(usb);
    WireHandlers();
    LoadComponents();
    FormCreate();
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);
}

TForm1::~TForm1() = default;

sim::Simulator *TForm1::Simulator() const { return FSimulator; }

void TForm1::CreatePages()
{
    auto *client = new QWidget(this);
    PageControl1 = new TPageControl(client);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    // The pages are drawn in the application's font, the status bar in the
    // window's smaller one.
    PageControl1->setFont(QApplication::font());
    PageControl1->AddLazyPage(QStringLiteral("EEPROM 24Cxx"), [this](QWidget *parent) { return Make24CxxPage(parent); });
    PageControl1->AddLazyPage(QStringLiteral("EEPROM 93Cxx"), [this](QWidget *parent) { return Make93CxxPage(parent); });
    PageControl1->AddLazyPage(QStringLiteral("RTC PCF8583"), [this](QWidget *parent) { return MakeRtcPage(parent); });
    PageControl1->AddLazyPage(QStringLiteral("RTC DS13xx"), [this](QWidget *parent) { return MakeDs13xxPage(parent); });
    PageControl1->AddLazyPage(QStringLiteral("OLED/COG"), [this](QWidget *parent) { return MakeDisplayPage(parent); });
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->addWidget(PageControl1);
    setCentralWidget(client);
}

TPage24Cxx *TForm1::TabSheet1() { return static_cast<TPage24Cxx *>(PageControl1->Page(0)); }
TPage93Cxx *TForm1::TabSheet2() { return static_cast<TPage93Cxx *>(PageControl1->Page(1)); }
TPageRtc *TForm1::TabSheet3() { return static_cast<TPageRtc *>(PageControl1->Page(2)); }
TPageDs13xx *TForm1::TabSheet4() { return static_cast<TPageDs13xx *>(PageControl1->Page(3)); }
TPageDisplay *TForm1::TabSheet5() { return static_cast<TPageDisplay *>(PageControl1->Page(4)); }

// What every page gets when it is made: the link, the guard, the wiring picture.
void TForm1::AdoptDevicePage(TDevicePage *page)
{
    page->SetLink(ZqLibUSB1);
    page->SetGuard(DeviceGuard1);
    connect(page, &TDevicePage::WiringRequested, this, &TForm1::Image7Click);
}

void TForm1::ReportFileBox(TImageFileBox *box)
{
    connect(box, &TImageFileBox::Reported, this, [this](const QString &text) { statusBar()->showMessage(text, 15000); });
}

// Each page is given its component and its stored choices when it is made.
QWidget *TForm1::Make24CxxPage(QWidget *parent)
{
    auto *page = new TPage24Cxx(parent);
    AdoptDevicePage(page);
    ZqEEPROM24Cxx1->SetZqHexView(page->ZqHexView1);
    page->SetEngine(ZqEEPROM24Cxx1);
    ReportFileBox(page->ImageFileBox1);
    page->SetChipType(ReadListIndex("24cxx", 1, page->ChipTypeCount()));
    const int block = ZqFormSR1->ReadRegINI(QStringLiteral("24cxx_block"), TZqEEPROM24Cxx::DefaultBlockSize);
    page->SetBlockSize(block >= 1 && block <= TZqEEPROM24Cxx::MaxBlockSize ? block
                                                                          : TZqEEPROM24Cxx::DefaultBlockSize);
    page->Apply24CxxType();
    page->ImageFileBox1->cbVerifyAfterWrite->setChecked(ZqFormSR1->ReadRegINI(QStringLiteral("24cxx_verify"), true));
    return page;
}

QWidget *TForm1::Make93CxxPage(QWidget *parent)
{
    auto *page = new TPage93Cxx(parent);
    AdoptDevicePage(page);
    ZqEEPROM93Cxx1->SetZqHexView(page->ZqHexView2);
    page->SetEngine(ZqEEPROM93Cxx1);
    ReportFileBox(page->ImageFileBox1);
    page->SetOrganisation16(ZqFormSR1->ReadRegINI(QStringLiteral("eo"), true));
    page->SetChipType(ReadListIndex("93cxx", 0, page->ChipTypeCount()));
    page->Apply93CxxType();
    page->ImageFileBox1->cbVerifyAfterWrite->setChecked(ZqFormSR1->ReadRegINI(QStringLiteral("93cxx_verify"), true));
    return page;
}

QWidget *TForm1::MakeRtcPage(QWidget *parent)
{
    auto *page = new TPageRtc(parent);
    AdoptDevicePage(page);
    page->AdvGlowButton3Click();
    return page;
}

QWidget *TForm1::MakeDs13xxPage(QWidget *parent)
{
    auto *page = new TPageDs13xx(parent);
    AdoptDevicePage(page);
    page->SetEngine(ZqRtcDs13xx1);
    page->SetChipType(ReadListIndex("ds13xx", 1, page->ChipTypeCount()));
    return page;
}

QWidget *TForm1::MakeDisplayPage(QWidget *parent)
{
    auto *page = new TPageDisplay(parent);
    AdoptDevicePage(page);
    page->SetDrivers(ZqSSD1306OLED1, ZqST7565COG1);
    page->SetSettings(ZqFormSR1);
    page->SetStorage(mxStorage1);
    page->SetDisplayType(ReadListIndex("display_idx", 0, page->DisplayTypeCount()));
    return page;
}

void TForm1::CreateStatusBar()
{
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    StatusPanel0 = new TStatusPanel(0, 200, statusBar());
    StatusPanel0->setText(kNotConnected);
    StatusPanel1 = new TUpdateStatusPanel(statusBar());
    statusBar()->addWidget(StatusPanel0);
    statusBar()->addWidget(StatusPanel1);
}

void TForm1::CreateComponents(UsbBackend *usb)
{
    ZqFormSR1 = new TZqFormSR(this);
    ZqFormSR1->SetIniFileName(TZqFormSR::kAppIniMarker);
    ZqFormSR1->SetTypeIniName(asAppIniName);
    ZqLibUSB1 = new TZqLibUSB(this, usb);
    ZqLibUSB1->setObjectName(QStringLiteral("ZqLibUSB1"));
    ZqLibUSB1->SetVID(QStringLiteral("$16C0"));
    ZqLibUSB1->SetPID(QStringLiteral("$05DC"));
    ZqLibUSB1->OnConnected = [this](QObject *sender) { ZqLibUSB1Connected(sender); };
    ZqLibUSB1->OnDisconnected = [this](QObject *sender) { ZqLibUSB1Disconnected(sender); };
    ZqLibUSB1->OnAccessDenied = [this](QObject *sender) { ZqLibUSB1AccessDenied(sender); };
    mxStorage1 = new TmxStorage(this);
    mxStorage1->setObjectName(QStringLiteral("mxStorage1"));
    mxStorage1->ReadDescription(StoredPicturesDescription());
    CreateDisplayDrivers();
    CreateEepromEngines();
    ZqRtcDs13xx1 = new TZqRtcDs13xx(this);
    ZqRtcDs13xx1->setObjectName(QStringLiteral("ZqRtcDs13xx1"));
    ZqRtcDs13xx1->SetZqLibUSB(ZqLibUSB1);
    DeviceGuard1 = new TDeviceGuard(this);
    WebUpdate1 = new TWebUpdate(this);
    webUpdTimer = new QTimer(this);
    webUpdTimer->setObjectName(QStringLiteral("webUpdTimer"));
    webUpdTimer->setInterval(1000);
}

void TForm1::CreateDisplayDrivers()
{
    ZqST7565COG1 = new TZqST7565COG(this);
    ZqST7565COG1->setObjectName(QStringLiteral("ZqST7565COG1"));
    ZqST7565COG1->SetSPI_SCK(ssF_CPU4);
    ZqST7565COG1->SetI2C_BitrateKhz(0);
    ZqST7565COG1->SetBus(tbSPI);
    ZqST7565COG1->SetZqLibUSB(ZqLibUSB1);
    ZqSSD1306OLED1 = new TZqSSD1306OLED(this);
    ZqSSD1306OLED1->setObjectName(QStringLiteral("ZqSSD1306OLED1"));
    ZqSSD1306OLED1->SetSPI_SCK(ssF_CPU4);
    ZqSSD1306OLED1->SetI2C_BitrateKhz(700);
    ZqSSD1306OLED1->SetBus(tbI2C);
    ZqSSD1306OLED1->SetZqLibUSB(ZqLibUSB1);
}

void TForm1::CreateEepromEngines()
{
    ZqEEPROM24Cxx1 = new TZqEEPROM24Cxx(this);
    ZqEEPROM24Cxx1->setObjectName(QStringLiteral("ZqEEPROM24Cxx1"));
    ZqEEPROM24Cxx1->SetAddrI2C(QStringLiteral("A8"));
    ZqEEPROM24Cxx1->SetZqLibUSB(ZqLibUSB1);
    ZqEEPROM93Cxx1 = new TZqEEPROM93Cxx(this);
    ZqEEPROM93Cxx1->setObjectName(QStringLiteral("ZqEEPROM93Cxx1"));
    ZqEEPROM93Cxx1->SetZqLibUSB(ZqLibUSB1);
}

void TForm1::WireHandlers()
{
    connect(webUpdTimer, &QTimer::timeout, this, &TForm1::webUpdTimerTimer);
    connect(StatusPanel0, &TStatusPanel::clicked, this, &TForm1::StatusBar1PanelClick);
    connect(StatusPanel1, &TUpdateStatusPanel::clicked, this, [this] { StatusBar1PanelClick(1); });
    connect(WebUpdate1, &TWebUpdate::CheckFinished, this, [this] { StatusPanel1->ShowCheckResult(*WebUpdate1); });
}

QList<TDevicePage *> TForm1::DevicePages() const
{
    QList<TDevicePage *> made;
    for (int index = 0; index < PageControl1->count(); ++index)
        if (auto *page = qobject_cast<TDevicePage *>(PageControl1->MadePage(index)))
            made.append(page);
    return made;
}

// Every reference is in place before the first component loads; the link may
// already report the adapter here, before the window's own set-up runs.
void TForm1::LoadComponents()
{
    ZqFormSR1->Loaded();
    ZqLibUSB1->Loaded();
}

// A stored list index that is out of range counts as missing.
int TForm1::ReadListIndex(const char *key, int def, int count)
{
    const int index = ZqFormSR1->ReadRegINI(QLatin1String(key), def);
    return (index >= 0 && index < count) ? index : def;
}

// The page choices take effect as each page is made (see the Make*Page
// functions); the current one is made here.
void TForm1::FormCreate()
{
    setWindowTitle(QStringLiteral("Brindle   ver: ") + FileVersionText());
    PageControl1->setCurrentIndex(ReadListIndex("page_nr", 0, PageControl1->count()));
    PageControl1->StartMaking();
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    FormShow();
}

void TForm1::FormShow()
{
    if (!FUpdateRequestHandled && !webUpdTimer->isActive())
        webUpdTimer->start();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

// The choices and the window's place go to the store in one write; the
// position store then finds the place already saved when the window hides.
// A page never made keeps the choices stored for it.
void TForm1::FormClose()
{
    ZqFormSR1->BeginUpdate();
    ZqFormSR1->SaveRegINI(QStringLiteral("page_nr"), PageControl1->currentIndex());
    if (auto *page = static_cast<TPage24Cxx *>(PageControl1->MadePage(0))) {
        ZqFormSR1->SaveRegINI(QStringLiteral("24cxx"), page->ChipType());
        ZqFormSR1->SaveRegINI(QStringLiteral("24cxx_block"), page->BlockSize());
        ZqFormSR1->SaveRegINI(QStringLiteral("24cxx_verify"), page->ImageFileBox1->cbVerifyAfterWrite->isChecked());
    }
    if (auto *page = static_cast<TPage93Cxx *>(PageControl1->MadePage(1))) {
        ZqFormSR1->SaveRegINI(QStringLiteral("eo"), page->Organisation16());
        ZqFormSR1->SaveRegINI(QStringLiteral("93cxx"), page->ChipType());
        ZqFormSR1->SaveRegINI(QStringLiteral("93cxx_verify"), page->ImageFileBox1->cbVerifyAfterWrite->isChecked());
    }
    if (auto *page = static_cast<TPageDs13xx *>(PageControl1->MadePage(3)))
        ZqFormSR1->SaveRegINI(QStringLiteral("ds13xx"), page->ChipType());
    ZqFormSR1->SavePos();
    ZqFormSR1->EndUpdate();
}

bool TForm1::event(QEvent *event)
{
    if (event->type() == QEvent::Type(WM_UPDATE_CHECK)) {
        WMUpdateCheck();
        return true;
    }
    return QMainWindow::event(event);
}

void TForm1::ZqLibUSB1Connected(QObject *)
{
    StatusPanel0->setText(kConnected);
    StatusPanel0->setToolTip(QString());
}
void TForm1::ZqLibUSB1Disconnected(QObject *) { StatusPanel0->setText(kNotConnected); }

// Said once a run, without blocking: the status stays "not connected" and its
// tooltip keeps the advice.
void TForm1::ZqLibUSB1AccessDenied(QObject *)
{
    StatusPanel0->setText(kNotConnected);
    StatusPanel0->setToolTip(kAccessDenied);
    if (FAccessDeniedHint)
        return;
    FAccessDeniedHint =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("Brindle"), kAccessDenied, QMessageBox::Ok, this);
    FAccessDeniedHint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FAccessDeniedHint->open();
}

// Each page stops what it runs once the user is elsewhere; entering starts nothing.
void TForm1::PageControl1Change()
{
    for (TDevicePage *page : DevicePages())
        if (page != PageControl1->CurrentPage())
            page->PageLeft();
}

void TForm1::StatusBar1PanelClick(int panel)
{
    if (panel != 1)
        return;
    // Made when first opened: most runs never open it.
    if (!WebUpdateWizard1)
        WebUpdateWizard1 = new TWebUpdateWizard(WebUpdate1, this);
    WebUpdateWizard1->exec();
}

void TForm1::webUpdTimerTimer()
{
    webUpdTimer->stop();
    QCoreApplication::postEvent(this, new QEvent(QEvent::Type(WM_UPDATE_CHECK)));
}

void TForm1::WMUpdateCheck()
{
    if (FUpdateRequestHandled)
        return;
    FUpdateRequestHandled = true;
    CheckForUpdate();
}

// Returns at once; the answer reaches panel 1 from the event loop.
void TForm1::CheckForUpdate()
{
    ++FUpdateChecksRun;
    WebUpdate1->SetLogFileName(DefaultUpdateLogFileName());
    WebUpdate1->SetUpdateUrl(ResolveUpdateUrl(ZqFormSR1->ReadRegINI(QStringLiteral("update_url"), QString())));
    WebUpdate1->SetRunningVersion(FileVersionText());
    WebUpdate1->CheckForUpdate();
}

void TForm1::Image7Click()
{
    if (!frmSchemat)
        return;
    frmSchemat->show();
    frmSchemat->raise();
}
