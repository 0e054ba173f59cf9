#include "Pages.h"

#include "ClickablePicture.h"
#include "Pictures.h"
#include "ZqHexView.h"
#include "ZqLibUSB.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {
template <class W>
W *Named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QComboBox *TypeList(const char *name, const QStringList &items, QWidget *parent)
{
    auto *list = Named(new QComboBox(parent), name);
    list->addItems(items);
    return list;
}

QTimer *NewTimer(QObject *owner, const char *name, int intervalMs)
{
    auto *timer = Named(new QTimer(owner), name);
    timer->setInterval(intervalMs);
    return timer;
}
} // namespace

void TDevicePage::SetLink(TZqLibUSB *link) { FLink = link; }
TZqLibUSB *TDevicePage::Link() const { return FLink; }

QGridLayout *TDevicePage::NewPageLayout(TClickablePicture *picture)
{
    connect(picture, &TClickablePicture::clicked, this, &TDevicePage::WiringRequested);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->addWidget(picture, 0, 0, 3, 1, Qt::AlignTop | Qt::AlignLeft);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(3, 1);
    return grid;
}

TPage24Cxx::TPage24Cxx(QWidget *parent) : TDevicePage(parent)
{
    Image7 = Named(new TClickablePicture(Pictures::chipPackagePicture(QStringLiteral("24c04")), this), "Image7");
    ComboBox3 = TypeList("ComboBox3", {"24c02 - 2 kbit", "24c04 - 4 kbit", "24c08 - 8 kbit", "24c16 - 16 kbit"}, this);
    ComboBox3->setCurrentIndex(1);
    ZqHexView1 = Named(new TZqHexView(this), "ZqHexView1");
    auto *grid = NewPageLayout(Image7);
    grid->addWidget(ComboBox3, 0, 1, Qt::AlignTop);
    grid->addWidget(ZqHexView1, 3, 0, 1, 4);
}

int TPage24Cxx::ChipType() const { return ComboBox3->currentIndex(); }
int TPage24Cxx::ChipTypeCount() const { return ComboBox3->count(); }
void TPage24Cxx::SetChipType(int index) { ComboBox3->setCurrentIndex(index); }

TPage93Cxx::TPage93Cxx(QWidget *parent) : TDevicePage(parent)
{
    Image3 = Named(new TClickablePicture(Pictures::chipPackagePicture(QStringLiteral("93C46")), this), "Image3");
    ComboBox2 = TypeList(
        "ComboBox2", {"93C46 - 1 kbit", "93C56 - 2 kbit", "93C66 - 4 kbit", "93C76 - 8 kbit", "93C86 - 16 kbit"}, this);
    RadioButton1 = Named(new QRadioButton(QStringLiteral("16-bit"), this), "RadioButton1");
    RadioButton2 = Named(new QRadioButton(QStringLiteral("8-bit"), this), "RadioButton2");
    RadioButton1->setChecked(true);
    auto *grid = NewPageLayout(Image3);
    grid->addWidget(ComboBox2, 0, 1, Qt::AlignTop);
    auto *organisation = new QHBoxLayout;
    organisation->addWidget(new QLabel(QStringLiteral("Organizacja:"), this));
    organisation->addWidget(RadioButton1);
    organisation->addWidget(RadioButton2);
    grid->addLayout(organisation, 0, 2, Qt::AlignTop | Qt::AlignLeft);
    ZqHexView2 = Named(new TZqHexView(this), "ZqHexView2");
    grid->addWidget(ZqHexView2, 3, 0, 1, 4);
}

int TPage93Cxx::ChipType() const { return ComboBox2->currentIndex(); }
int TPage93Cxx::ChipTypeCount() const { return ComboBox2->count(); }
void TPage93Cxx::SetChipType(int index) { ComboBox2->setCurrentIndex(index); }
bool TPage93Cxx::Organisation16() const { return RadioButton1->isChecked(); }
void TPage93Cxx::SetOrganisation16(bool on) { (on ? RadioButton1 : RadioButton2)->setChecked(true); }

TPageRtc::TPageRtc(QWidget *parent) : TDevicePage(parent)
{
    Image1 = Named(new TClickablePicture(Pictures::chipPackagePicture(QStringLiteral("RTC PCF 8583")), this), "Image1");
    auto *clock = Named(new QGroupBox(QStringLiteral(" Odczyt czasu i daty "), this), "GroupBox3");
    lbTime = Named(new QLabel(QStringLiteral("00:00:00"), clock), "lbTime");
    lbDate = Named(new QLabel(QStringLiteral("2001-01-01"), clock), "lbDate");
    QFont face(QStringLiteral("Consolas"), 24);
    face.setStyleHint(QFont::Monospace);
    lbTime->setFont(face);
    face.setPointSize(12);
    lbDate->setFont(face);
    lbTime->setStyleSheet(QStringLiteral("color: blue"));
    lbDate->setStyleSheet(QStringLiteral("color: blue"));
    AdvGlowButton1 = Named(new QPushButton(QStringLiteral("start"), clock), "AdvGlowButton1");
    AdvGlowButton2 = Named(new QPushButton(QStringLiteral("stop"), clock), "AdvGlowButton2");
    auto *box = new QGridLayout(clock);
    box->addWidget(lbTime, 0, 0, 1, 2);
    box->addWidget(lbDate, 1, 0, 1, 2);
    box->addWidget(AdvGlowButton1, 2, 0);
    box->addWidget(AdvGlowButton2, 2, 1);
    auto *grid = NewPageLayout(Image1);
    grid->addWidget(clock, 0, 1, 3, 1, Qt::AlignTop);
    Timer1 = NewTimer(this, "Timer1", 1000);
    connect(AdvGlowButton1, &QPushButton::clicked, this, &TPageRtc::AdvGlowButton1Click);
    connect(AdvGlowButton2, &QPushButton::clicked, this, &TPageRtc::AdvGlowButton2Click);
}

void TPageRtc::PageLeft() { Timer1->stop(); }

// The first poll comes at once; later ones a second apart.
void TPageRtc::AdvGlowButton1Click()
{
    Timer1->setInterval(10);
    Timer1->start();
}

void TPageRtc::AdvGlowButton2Click() { Timer1->stop(); }

TPageDisplay::TPageDisplay(QWidget *parent) : TDevicePage(parent)
{
    Image2 = Named(new TClickablePicture(Pictures::oledModulePicture(), this), "Image2");
    ComboBox1 = TypeList("ComboBox1", {"OLED SSD1306", "COG  ST7565"}, this);
    CheckBox3 = Named(new QCheckBox(QStringLiteral("Show CLOCK"), this), "CheckBox3");
    auto *grid = NewPageLayout(Image2);
    grid->addWidget(ComboBox1, 0, 1, Qt::AlignTop);
    grid->addWidget(CheckBox3, 1, 1, Qt::AlignTop);
    Timer2 = NewTimer(this, "Timer2", 1000);
    connect(CheckBox3, &QCheckBox::toggled, this, &TPageDisplay::CheckBox3Click);
}

int TPageDisplay::DisplayType() const { return ComboBox1->currentIndex(); }
int TPageDisplay::DisplayTypeCount() const { return ComboBox1->count(); }
void TPageDisplay::SetDisplayType(int index) { ComboBox1->setCurrentIndex(index); }
void TPageDisplay::PageLeft() { CheckBox3->setChecked(false); }

void TPageDisplay::CheckBox3Click()
{
    Timer2->setInterval(100);
    if (CheckBox3->isChecked())
        Timer2->start();
    else
        Timer2->stop();
}
