#pragma once
// The "RTC DS13xx" page: a DS1307 or DS3231 clock read once a second while
// the page is shown, set from the fields or from the computer's clock, and
// what each chip adds: the DS1307's halt bit, the DS3231's temperature,
// aging offset and oscillator-stop flag. The chip work is the engine's.
#include "DevicePage.h"
#include "ZqRtcDs13xx.h"

#include <QMessageBox>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

class TPageDs13xx : public TDevicePage {
    Q_OBJECT
public:
    // A missing chip is asked again after 2, 4, then every 8 seconds.
    static constexpr int MaxBackOffSeconds = 8;

    explicit TPageDs13xx(QWidget *parent = nullptr);

    void SetEngine(TZqRtcDs13xx *engine);
    int ChipType() const;
    void SetChipType(int index);
    int ChipTypeCount() const;
    void PageLeft() override;
    // One tick of the poll timer: reads the chip unless a missing one is
    // being left alone for now.
    void Timer1Timer();
    QMessageBox *Notice() const { return FNotice; }

    TClickablePicture *Image1;
    QComboBox *ComboBox1;
    QLabel *lbTime;
    QLabel *lbDate;
    QLabel *lbState;
    QPushButton *AdvGlowButton1;
    QPushButton *AdvGlowButton2;
    QPushButton *btStartClock;
    QLineEdit *edHH;
    QLineEdit *edMM;
    QLineEdit *edSS;
    QLineEdit *edRok;
    QLineEdit *edaMM;
    QLineEdit *edDD;
    QPushButton *AdvGlowButton3;
    QPushButton *AdvGlowButton4;
    QPushButton *btHostTime;
    QGroupBox *GroupBoxDs3231;
    QLabel *lbTemperature;
    QSpinBox *seAging;
    QPushButton *btAging;
    QTimer *Timer1;

protected:
    QList<QWidget *> DeviceButtons() const override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *NewChipGroup();
    QWidget *NewClockGroup();
    QWidget *NewSettingGroup();
    QWidget *NewDs3231Group();
    void ChipChanged();
    void StartPolling();
    void AdvGlowButton3Click();
    void AdvGlowButton4Click();
    void btHostTimeClick();
    void btStartClockClick();
    void btAgingClick();
    void ShowReading(const TDs13xxReading &reading);
    void ShowAbsent();
    // Runs one device operation with polling held, then shows the chip anew.
    template <class Work>
    void Operate(Work work);
    TDs13xxFields Fields() const;

    QPointer<TZqRtcDs13xx> FEngine;
    QPointer<QMessageBox> FNotice;
    int FMisses = 0;
    QDateTime FNextTry;
};
