#pragma once
// The "RTC PCF8583" page: the clock read once a second, and setting it.
// The chip counts the year only as 0..3 (register 5 bits 7..6); the page
// keeps the rest of the year, a multiple of four, in the chip's free RAM.
#include "ClockFields.h"
#include "DevicePage.h"

#include <QMessageBox>

#include <QDateTime>
#include <functional>

class QLabel;
class QLineEdit;

class QPushButton;
class QTimer;

class TPageRtc : public TDevicePage {
    Q_OBJECT
public:
    explicit TPageRtc(QWidget *parent = nullptr);

    // Leaving the page stops the clock polling; coming back starts nothing.
    void PageLeft() override;
    // "get time": the six fields from the computer's clock.
    void AdvGlowButton3Click();
    // Where "get time" takes the time from; the computer's clock unless set.
    void SetNow(std::function<QDateTime()> now);
    // The last notice shown to the user, if any.
    QMessageBox *Notice() const { return FNotice; }

    TClickablePicture *Image1;
    QLabel *lbTime;
    QLabel *lbDate;
    QPushButton *AdvGlowButton1;
    QPushButton *AdvGlowButton2;
    QLineEdit *edHH;
    QLineEdit *edMM;
    QLineEdit *edSS;
    QLineEdit *edRok;
    QLineEdit *edaMM;
    QLineEdit *edDD;
    QPushButton *AdvGlowButton3;
    QPushButton *AdvGlowButton4;
    QTimer *Timer1;

protected:
    QList<QWidget *> DeviceButtons() const override;

private:
    QWidget *NewClockGroup();
    QWidget *NewSettingGroup();
    void AdvGlowButton1Click();
    void AdvGlowButton2Click();
    void AdvGlowButton4Click();
    void Timer1Timer();
    // Empty when every field holds a real date and time, else what is wrong.
    QString FieldError() const;
    TDs13xxFields Fields() const;
    void WriteClock();

    std::function<QDateTime()> FNow;
    QPointer<QMessageBox> FNotice;
};
