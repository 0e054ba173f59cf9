#pragma once
// The main window: a page per device family, the adapter status, and the
// components every page works through.
#include "PageControl.h"

#include <QMainWindow>
#include <QPointer>

class QMessageBox;
class QTimer;
class TDeviceGuard;
class TDevicePage;
class TImageFileBox;
class TPage24Cxx;
class TPage93Cxx;
class TPageDisplay;
class TPageDs13xx;
class TPageRtc;
class TStatusPanel;
class TUpdateStatusPanel;
class TWebUpdate;
class TWebUpdateWizard;
class TZqFormSR;
class TZqEEPROM24Cxx;
class TZqEEPROM93Cxx;
class TZqRtcDs13xx;
class TZqLibUSB;
class TZqSSD1306OLED;
class TZqST7565COG;
class TfrmSchemat;
class TmxStorage;
class UsbBackend;
namespace sim {
class Simulator;
}

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // The private window message that starts the update check.
    static constexpr int WM_UPDATE_CHECK = 1124;

    // The link talks to the adapter through usb; simulator is the virtual
    // adapter behind it when the program runs on one. Neither is owned.
    explicit TForm1(UsbBackend *usb, sim::Simulator *simulator = nullptr, QWidget *parent = nullptr);
    ~TForm1() override;

    sim::Simulator *Simulator() const;

    // Components, in creation order.
    TZqFormSR *ZqFormSR1 = nullptr;
    TZqLibUSB *ZqLibUSB1 = nullptr;
    // The display demo's pictures.
    TmxStorage *mxStorage1 = nullptr;
    TZqST7565COG *ZqST7565COG1 = nullptr;
    TZqSSD1306OLED *ZqSSD1306OLED1 = nullptr;
    TZqEEPROM24Cxx *ZqEEPROM24Cxx1 = nullptr;
    TZqEEPROM93Cxx *ZqEEPROM93Cxx1 = nullptr;
    TZqRtcDs13xx *ZqRtcDs13xx1 = nullptr;
    // One device operation at a time, for every page.
    TDeviceGuard *DeviceGuard1 = nullptr;
    TWebUpdate *WebUpdate1 = nullptr;
    // Made when the user first opens it.
    TWebUpdateWizard *WebUpdateWizard1 = nullptr;
    QTimer *webUpdTimer = nullptr;

    TPageControl *PageControl1 = nullptr;
    // The pages, each made the first time it is shown or asked for here.
    TPage24Cxx *TabSheet1();
    TPage93Cxx *TabSheet2();
    TPageRtc *TabSheet3();
    TPageDs13xx *TabSheet4();
    TPageDisplay *TabSheet5();
    TStatusPanel *StatusPanel0 = nullptr;
    TUpdateStatusPanel *StatusPanel1 = nullptr;

    // The wiring picture window, made by the program after the main window.
    QPointer<TfrmSchemat> frmSchemat;

    int UpdateChecksRun() const { return FUpdateChecksRun; }
    // The hint shown the first time the adapter could not be opened for lack of rights.
    QMessageBox *AccessDeniedHint() const { return FAccessDeniedHint; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void CreateComponents(UsbBackend *usb);
    void CreateDisplayDrivers();
    void CreateEepromEngines();
    void CreatePages();
    void CreateStatusBar();
    void WireHandlers();
    void AdoptDevicePage(TDevicePage *page);
    void ReportFileBox(TImageFileBox *box);
    QWidget *Make24CxxPage(QWidget *parent);
    QWidget *Make93CxxPage(QWidget *parent);
    QWidget *MakeRtcPage(QWidget *parent);
    QWidget *MakeDs13xxPage(QWidget *parent);
    QWidget *MakeDisplayPage(QWidget *parent);
    void LoadComponents();
    // The pages made so far.
    QList<TDevicePage *> DevicePages() const;
    int ReadListIndex(const char *key, int def, int count);

    void FormCreate();
    void FormShow();
    void FormClose();
    void ZqLibUSB1Connected(QObject *Sender);
    void ZqLibUSB1Disconnected(QObject *Sender);
    void ZqLibUSB1AccessDenied(QObject *Sender);
    void PageControl1Change();
    void StatusBar1PanelClick(int panel);
    void webUpdTimerTimer();
    void WMUpdateCheck();
    void CheckForUpdate();
    void Image7Click();

    QPointer<sim::Simulator> FSimulator;
    bool FUpdateRequestHandled = false;
    int FUpdateChecksRun = 0;
    QMessageBox *FAccessDeniedHint = nullptr;
};
