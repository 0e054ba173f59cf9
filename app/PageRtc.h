#pragma once
// The "RTC PCF8583" page: the clock read once a second, and setting it.
#include "DevicePage.h"

class QLabel;
class QPushButton;
class QTimer;

class TPageRtc : public TDevicePage {
    Q_OBJECT
public:
    explicit TPageRtc(QWidget *parent = nullptr);

    // Leaving the page stops the clock polling; coming back starts nothing.
    void PageLeft() override;

    TClickablePicture *Image1;
    QLabel *lbTime;
    QLabel *lbDate;
    QPushButton *AdvGlowButton1;
    QPushButton *AdvGlowButton2;
    QTimer *Timer1;

private:
    void AdvGlowButton1Click();
    void AdvGlowButton2Click();
};
