#pragma once
// The "OLED/COG" page: the display type, text, clearing, the demo and the clock.
#include "DevicePage.h"

class QCheckBox;
class QComboBox;
class QTimer;
class TZqSSD1306OLED;
class TZqST7565COG;

class TPageDisplay : public TDevicePage {
    Q_OBJECT
public:
    explicit TPageDisplay(QWidget *parent = nullptr);

    void SetDrivers(TZqSSD1306OLED *oled, TZqST7565COG *cog);
    TZqSSD1306OLED *Oled() const;
    TZqST7565COG *Cog() const;

    int DisplayType() const;
    int DisplayTypeCount() const;
    void SetDisplayType(int index);
    // Leaving the page unticks "Show CLOCK", which stops the clock.
    void PageLeft() override;

    TClickablePicture *Image2;
    QComboBox *ComboBox1;
    QCheckBox *CheckBox3;
    QTimer *Timer2;

private:
    void CheckBox3Click();

    QPointer<TZqSSD1306OLED> FOled;
    QPointer<TZqST7565COG> FCog;
};
