#pragma once
// The "OLED/COG" page: the display type, text, clearing, the demo and the clock.
#include "DevicePage.h"

#include <QByteArray>
#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;
class QTimer;
class TZqGLCDDriver;
class TZqFormSR;
class TZqSSD1306OLED;
class TZqST7565COG;
class TmxStorage;

// Waits ms milliseconds in an event loop: pending events run at least once,
// also for 0, and no core spins.
void DelayMs(int ms);

class TPageDisplay : public TDevicePage {
    Q_OBJECT
public:
    using TWait = std::function<void(int ms)>;

    explicit TPageDisplay(QWidget *parent = nullptr);

    // Assigns both drivers' OnInitialized to this page.
    void SetDrivers(TZqSSD1306OLED *oled, TZqST7565COG *cog);
    TZqSSD1306OLED *Oled() const;
    TZqST7565COG *Cog() const;
    // Where the display choice is saved as soon as the user changes it.
    void SetSettings(TZqFormSR *settings);
    // The pictures of the demo.
    void SetStorage(TmxStorage *storage);
    // How the demo waits between its pictures; DelayMs unless replaced.
    void SetDemoWait(TWait wait);

    int DisplayType() const;
    int DisplayTypeCount() const;
    void SetDisplayType(int index);
    bool DemoInverted() const { return FDemoInverted; }
    // Leaving the page unticks "Show CLOCK", which stops the clock.
    void PageLeft() override;

    TClickablePicture *Image2;
    QComboBox *ComboBox1;
    QPushButton *Button1;
    QFrame *pnlInit;
    QLineEdit *edX;
    QLineEdit *edY;
    QLineEdit *edText;
    QLineEdit *edSize;
    QLineEdit *edTextColor;
    QLineEdit *edBackColor;
    QPushButton *AdvGlowButton5;
    QPushButton *AdvGlowButton6;
    QPushButton *AdvGlowButton13;
    QCheckBox *CheckBox3;
    QTimer *Timer2;

protected:
    QList<QWidget *> DeviceButtons() const override;

private:
    void CreateControls();
    QWidget *CreateTextPanel();
    void ComboBox1Change(int index);
    void Button1Click();
    void ShowInitialized(bool initialized);
    void AdvGlowButton5Click();
    void AdvGlowButton6Click();
    void AdvGlowButton13Click();
    void CheckBox3Click();
    void Timer2Timer();
    TZqGLCDDriver *SelectedDisplay() const;
    void RunOledDemo();
    void RunCogDemo();
    void RunDemo(TZqGLCDDriver *display, bool oled);

    QPointer<TZqSSD1306OLED> FOled;
    QPointer<TZqST7565COG> FCog;
    QPointer<TZqFormSR> FSettings;
    QPointer<TmxStorage> FStorage;
    TWait FDemoWait;
    bool FDemoInverted = false;
};
