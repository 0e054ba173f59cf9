#include "Page24Cxx.h"

#include "ClickablePicture.h"
#include "Pictures.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqHexView.h"

#include <QComboBox>
#include <QGridLayout>

TPage24Cxx::TPage24Cxx(QWidget *parent) : TDevicePage(parent)
{
    Image7 = Named(new TClickablePicture(Pictures::chipPackagePicture(QStringLiteral("24c04")), this), "Image7");
    ComboBox3 = TypeList("ComboBox3", {"24c02 - 2 kbit", "24c04 - 4 kbit", "24c08 - 8 kbit", "24c16 - 16 kbit"}, this);
    ComboBox3->setCurrentIndex(1);
    ZqHexView1 = Named(new TZqHexView(this), "ZqHexView1");
    auto *grid = NewPageLayout(Image7);
    grid->addWidget(ComboBox3, 0, 1, Qt::AlignTop);
    grid->addWidget(ZqHexView1, 3, 0, 1, 4);
    connect(ComboBox3, &QComboBox::currentIndexChanged, this, &TPage24Cxx::Apply24CxxType);
}

void TPage24Cxx::SetEngine(TZqEEPROM24Cxx *engine) { FEngine = engine; }
TZqEEPROM24Cxx *TPage24Cxx::Engine() const { return FEngine; }

int TPage24Cxx::ChipType() const { return ComboBox3->currentIndex(); }
int TPage24Cxx::ChipTypeCount() const { return ComboBox3->count(); }
void TPage24Cxx::SetChipType(int index) { ComboBox3->setCurrentIndex(index); }

void TPage24Cxx::Apply24CxxType()
{
    if (FEngine && ComboBox3->currentIndex() >= 0)
        FEngine->SetEepromType(TZqEEPROM24Cxx::TEepromType(ComboBox3->currentIndex()));
}
