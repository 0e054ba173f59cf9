#pragma once
// The main window's device pages. Each page owns its controls; the window
// reaches them by the names its handlers use.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class TClickablePicture;
class TZqHexView;

// The picture at the top left of a page, controls to its right.
QGridLayout *NewPageLayout(QWidget *page, TClickablePicture *picture);

class TPage24Cxx : public QWidget {
    Q_OBJECT
public:
    explicit TPage24Cxx(QWidget *parent = nullptr);
    TClickablePicture *Image7;
    QComboBox *ComboBox3;
    TZqHexView *ZqHexView1;
};

class TPage93Cxx : public QWidget {
    Q_OBJECT
public:
    explicit TPage93Cxx(QWidget *parent = nullptr);
    TClickablePicture *Image3;
    QComboBox *ComboBox2;
    QRadioButton *RadioButton1;
    QRadioButton *RadioButton2;
    TZqHexView *ZqHexView2;
};

class TPageRtc : public QWidget {
    Q_OBJECT
public:
    explicit TPageRtc(QWidget *parent = nullptr);
    TClickablePicture *Image1;
    QLabel *lbTime;
    QLabel *lbDate;
    QPushButton *AdvGlowButton1;
    QPushButton *AdvGlowButton2;
};

class TPageDisplay : public QWidget {
    Q_OBJECT
public:
    explicit TPageDisplay(QWidget *parent = nullptr);
    TClickablePicture *Image2;
    QComboBox *ComboBox1;
    QCheckBox *CheckBox3;
};
