#pragma once
// The main window's device pages. Each page owns its controls, its handlers
// and its timer; the window talks to a page only through the members below.
#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;
class TClickablePicture;
class TZqHexView;
class TZqLibUSB;

// What every device page has: the link it works through, the wiring picture
// at its top left, and a way to stop what it runs when the user leaves it.
class TDevicePage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    void SetLink(TZqLibUSB *link);
    TZqLibUSB *Link() const;

    // Another page became the current one.
    virtual void PageLeft() {}

signals:
    // The user clicked the page's picture: the window shows the wiring.
    void WiringRequested();

protected:
    // The picture at the top left, controls to its right.
    QGridLayout *NewPageLayout(TClickablePicture *picture);

private:
    QPointer<TZqLibUSB> FLink;
};

class TPage24Cxx : public TDevicePage {
    Q_OBJECT
public:
    explicit TPage24Cxx(QWidget *parent = nullptr);

    int ChipType() const;
    int ChipTypeCount() const;
    void SetChipType(int index);

    TClickablePicture *Image7;
    QComboBox *ComboBox3;
    TZqHexView *ZqHexView1;
};

class TPage93Cxx : public TDevicePage {
    Q_OBJECT
public:
    explicit TPage93Cxx(QWidget *parent = nullptr);

    int ChipType() const;
    int ChipTypeCount() const;
    void SetChipType(int index);
    bool Organisation16() const;
    // Checks the 16-bit or the 8-bit button, as a click on it would.
    void SetOrganisation16(bool on);

    TClickablePicture *Image3;
    QComboBox *ComboBox2;
    QRadioButton *RadioButton1;
    QRadioButton *RadioButton2;
    TZqHexView *ZqHexView2;
};

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

class TPageDisplay : public TDevicePage {
    Q_OBJECT
public:
    explicit TPageDisplay(QWidget *parent = nullptr);

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
};
