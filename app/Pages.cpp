#include "Pages.h"

#include "ClickablePicture.h"
#include "Pictures.h"
#include "ZqHexView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

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
} // namespace

QGridLayout *NewPageLayout(QWidget *page, TClickablePicture *picture)
{
    auto *grid = new QGridLayout(page);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->addWidget(picture, 0, 0, 3, 1, Qt::AlignTop | Qt::AlignLeft);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(3, 1);
    return grid;
}

TPage24Cxx::TPage24Cxx(QWidget *parent) : QWidget(parent)
{
    Image7 = Named(new TClickablePicture(Pictures::chipPackagePicture(QStringLiteral("24c04")), this), "Image7");
    ComboBox3 = TypeList("ComboBox3", {"24c02 - 2 kbit", "24c04 - 4 kbit", "24c08 - 8 kbit", "24c16 - 16 kbit"}, this);
    ComboBox3->setCurrentIndex(1);
    ZqHexView1 = Named(new TZqHexView(this), "ZqHexView1");
    auto *grid = NewPageLayout(this, Image7);
    grid->addWidget(ComboBox3, 0, 1, Qt::AlignTop);
    grid->addWidget(ZqHexView1, 3, 0, 1, 4);
}

TPage93Cxx::TPage93Cxx(QWidget *parent) : QWidget(parent)
{
    Image3 = Named(new TClickablePicture(Pictures::chipPackagePicture(QStringLiteral("93C46")), this), "Image3");
    ComboBox2 = TypeList(
        "ComboBox2", {"93C46 - 1 kbit", "93C56 - 2 kbit", "93C66 - 4 kbit", "93C76 - 8 kbit", "93C86 - 16 kbit"}, this);
    RadioButton1 = Named(new QRadioButton(QStringLiteral("16-bit"), this), "RadioButton1");
    RadioButton2 = Named(new QRadioButton(QStringLiteral("8-bit"), this), "RadioButton2");
    RadioButton1->setChecked(true);
    auto *grid = NewPageLayout(this, Image3);
    grid->addWidget(ComboBox2, 0, 1, Qt::AlignTop);
    auto *organisation = new QHBoxLayout;
    organisation->addWidget(new QLabel(QStringLiteral("Organizacja:"), this));
    organisation->addWidget(RadioButton1);
    organisation->addWidget(RadioButton2);
    grid->addLayout(organisation, 0, 2, Qt::AlignTop | Qt::AlignLeft);
    ZqHexView2 = Named(new TZqHexView(this), "ZqHexView2");
    grid->addWidget(ZqHexView2, 3, 0, 1, 4);
}

TPageRtc::TPageRtc(QWidget *parent) : QWidget(parent)
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
    auto *grid = NewPageLayout(this, Image1);
    grid->addWidget(clock, 0, 1, 3, 1, Qt::AlignTop);
}

TPageDisplay::TPageDisplay(QWidget *parent) : QWidget(parent)
{
    Image2 = Named(new TClickablePicture(Pictures::oledModulePicture(), this), "Image2");
    ComboBox1 = TypeList("ComboBox1", {"OLED SSD1306", "COG  ST7565"}, this);
    CheckBox3 = Named(new QCheckBox(QStringLiteral("Show CLOCK"), this), "CheckBox3");
    auto *grid = NewPageLayout(this, Image2);
    grid->addWidget(ComboBox1, 0, 1, Qt::AlignTop);
    grid->addWidget(CheckBox3, 1, 1, Qt::AlignTop);
}
