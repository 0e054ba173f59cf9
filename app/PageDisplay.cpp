#include "PageDisplay.h"

#include "ClickablePicture.h"
#include "Pictures.h"
#include "ZqSSD1306OLED.h"
#include "ZqST7565COG.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QTimer>

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

void TPageDisplay::SetDrivers(TZqSSD1306OLED *oled, TZqST7565COG *cog)
{
    FOled = oled;
    FCog = cog;
}
TZqSSD1306OLED *TPageDisplay::Oled() const { return FOled; }
TZqST7565COG *TPageDisplay::Cog() const { return FCog; }

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
