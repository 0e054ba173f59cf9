#include "Page93Cxx.h"

#include "ClickablePicture.h"
#include "Pictures.h"
#include "ZqEEPROM93Cxx.h"
#include "ZqHexView.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>

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
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TPage93Cxx::Apply93CxxType);
    connect(RadioButton1, &QRadioButton::toggled, this, &TPage93Cxx::Apply93CxxType);
}

void TPage93Cxx::SetEngine(TZqEEPROM93Cxx *engine) { FEngine = engine; }
TZqEEPROM93Cxx *TPage93Cxx::Engine() const { return FEngine; }

int TPage93Cxx::ChipType() const { return ComboBox2->currentIndex(); }
int TPage93Cxx::ChipTypeCount() const { return ComboBox2->count(); }
void TPage93Cxx::SetChipType(int index) { ComboBox2->setCurrentIndex(index); }
bool TPage93Cxx::Organisation16() const { return RadioButton1->isChecked(); }
void TPage93Cxx::SetOrganisation16(bool on) { (on ? RadioButton1 : RadioButton2)->setChecked(true); }

void TPage93Cxx::Apply93CxxType()
{
    if (!FEngine || ComboBox2->currentIndex() < 0)
        return;
    FEngine->SetEepromType(TZqEEPROM93Cxx::TEepromType(ComboBox2->currentIndex()));
    FEngine->SetEepromOrganisation(Organisation16() ? TZqEEPROM93Cxx::eo16_bit : TZqEEPROM93Cxx::eo8_bit);
}
