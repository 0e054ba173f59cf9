#include "Page93Cxx.h"

#include "ChipGuard.h"
#include "ClickablePicture.h"
#include "Cp1250.h"
#include "DeviceGuard.h"
#include "ImageFileBox.h"
#include "PageTools.h"
#include "ZqEEPROM93Cxx.h"
#include "ZqHexView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

using namespace PageTools;

namespace {
const QColor kReadColour(255, 255, 0);
const QColor kWriteColour(255, 255, 164);
const QString kEraseNotice = QStringLiteral("Zaznacz checkbox \"ERASE\"   ");
// Words of the 93C46 .. 93C86 in 16-bit organisation.
const int kChipWords[] = {64, 128, 256, 512, 1024};
} // namespace

TPage93Cxx::TPage93Cxx(QWidget *parent) : TDevicePage(parent)
{
    Image3 = Named(NewChipPicture(QStringLiteral("93C46")), "Image3");
    ComboBox2 = TypeList(
        "ComboBox2", {"93C46 - 1 kbit", "93C56 - 2 kbit", "93C66 - 4 kbit", "93C76 - 8 kbit", "93C86 - 16 kbit"}, this);
    RadioButton1 = Named(new QRadioButton(QStringLiteral("16-bit"), this), "RadioButton1");
    RadioButton2 = Named(new QRadioButton(QStringLiteral("8-bit"), this), "RadioButton2");
    RadioButton1->setChecked(true);
    ZqHexView2 = Named(new TZqHexView(this), "ZqHexView2");
    prg1 = NewGauge(this, "prg1", QColor(201, 255, 147));
    CheckBox5 = Named(new QCheckBox(QStringLiteral("Odstępy"), this), "CheckBox5");
    CheckBox5->setChecked(true);
    CheckBox6 = Named(new QCheckBox(QStringLiteral("Odczyt sekwencyjny"), this), "CheckBox6");
    auto *grid = NewPageLayout(Image3);
    auto *type = new QHBoxLayout;
    type->addWidget(ComboBox2);
    type->addWidget(new QLabel(QStringLiteral("Organizacja:"), this));
    type->addWidget(RadioButton1);
    type->addWidget(RadioButton2);
    grid->addLayout(type, 0, 1, 1, 3, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(NewReadGroup(), 1, 1, 2, 1, Qt::AlignTop);
    grid->addWidget(NewWriteGroup(), 1, 2, 2, 2, Qt::AlignTop);
    ImageFileBox1 = new TImageFileBox([this] { return BeginWork(); },
                                      [this] {
                                          return (ComboBox2->currentText().section(QLatin1Char(' '), 0, 0) +
                                                  (Organisation16() ? " 16-bit" : " 8-bit"))
                                              .toLatin1();
                                      },
                                      this);
    ImageFileBox1->SetSmallerTypes({{128, "93C46"}, {256, "93C56"}, {512, "93C66"}, {1024, "93C76"}});
    ImageFileBox1->SetWordSwapCheck([this] { return Organisation16(); });
    ImageFileBox1->FollowSelection(ZqHexView2);
    ImageFileBox1->SetAfterWrite([this](const ChipImage &, qint64 changed) { ShowWritten(changed); });
    grid->addWidget(ImageFileBox1, 3, 0, 1, 4);
    auto *viewHead = new QHBoxLayout;
    viewHead->addWidget(prg1, 1);
    viewHead->addWidget(CheckBox6);
    viewHead->addWidget(CheckBox5);
    grid->addLayout(viewHead, 4, 0, 1, 4);
    grid->addWidget(ZqHexView2, 5, 0, 1, 4);
    grid->setRowStretch(3, 0);
    grid->setRowStretch(5, 1);
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TPage93Cxx::Apply93CxxType);
    // Either button's change toggles RadioButton1.
    connect(RadioButton1, &QRadioButton::toggled, this, &TPage93Cxx::RadioButton1Click);
    connect(AdvGlowButton10, &QPushButton::clicked, this, &TPage93Cxx::AdvGlowButton10Click);
    connect(AdvGlowButton11, &QPushButton::clicked, this, &TPage93Cxx::AdvGlowButton11Click);
    connect(AdvGlowButton12, &QPushButton::clicked, this, &TPage93Cxx::AdvGlowButton12Click);
    connect(CheckBox5, &QCheckBox::clicked, this, &TPage93Cxx::CheckBox5Click);
    connect(CheckBox6, &QCheckBox::clicked, this, &TPage93Cxx::CheckBox6Click);
    ZqHexView2->OnDisplayEnd = ZqHexView1DisplayEnd;
}

QWidget *TPage93Cxx::NewReadGroup()
{
    auto *group = new QGroupBox(QStringLiteral(" Odczyt "), this);
    ed93c46adr = DigitsEdit(group, "ed93c46adr", 4, QStringLiteral("0"));
    ed93c46bytes = DigitsEdit(group, "ed93c46bytes", 4, QStringLiteral("64"));
    AdvGlowButton10 = Named(new QPushButton(QStringLiteral("ODCZYTAJ"), group), "AdvGlowButton10");
    Label21 = Named(new QLabel(QStringLiteral("ilość słów:"), group), "Label21");
    Label19 = Named(new QLabel(QStringLiteral("Ilość słów odczytanych: "), group), "Label19");
    lb93cBajtyOdczytane = Named(new QLabel(QStringLiteral("000"), group), "lb93cBajtyOdczytane");
    auto *box = new QGridLayout(group);
    box->addWidget(new QLabel(QStringLiteral("adres"), group), 0, 0);
    box->addWidget(Label21, 0, 1);
    box->addWidget(ed93c46adr, 1, 0);
    box->addWidget(ed93c46bytes, 1, 1);
    box->addWidget(AdvGlowButton10, 1, 2);
    box->addWidget(Label19, 2, 0, 1, 2);
    box->addWidget(lb93cBajtyOdczytane, 2, 2);
    return group;
}

QWidget *TPage93Cxx::NewWriteGroup()
{
    auto *group = new QGroupBox(QStringLiteral(" Zapis "), this);
    Edit5 = DigitsEdit(group, "Edit5", 4, QStringLiteral("0"));
    Edit4 = Named(new QLineEdit(QStringLiteral("dorlin77"), group), "Edit4");
    AdvGlowButton12 = Named(new QPushButton(QStringLiteral("ZAPISZ"), group), "AdvGlowButton12");
    CheckBox2 = Named(new QCheckBox(QStringLiteral("ERASE"), group), "CheckBox2");
    AdvGlowButton11 = Named(new QPushButton(QStringLiteral("SKASUJ"), group), "AdvGlowButton11");
    Label22 = Named(new QLabel(QStringLiteral("Ilość słów zapisanych: "), group), "Label22");
    lb93cBajtyZapisane = Named(new QLabel(QStringLiteral("000"), group), "lb93cBajtyZapisane");
    auto *box = new QGridLayout(group);
    box->addWidget(new QLabel(QStringLiteral("adres"), group), 0, 0);
    box->addWidget(new QLabel(QStringLiteral("Dane do pamięci eeprom"), group), 0, 1);
    box->addWidget(Edit5, 1, 0);
    box->addWidget(Edit4, 1, 1);
    box->addWidget(AdvGlowButton12, 1, 2);
    box->addWidget(CheckBox2, 2, 1, Qt::AlignRight);
    box->addWidget(AdvGlowButton11, 2, 2);
    box->addWidget(Label22, 3, 0, 1, 2);
    box->addWidget(lb93cBajtyZapisane, 3, 2);
    return group;
}

QList<QWidget *> TPage93Cxx::DeviceButtons() const
{
    return QList<QWidget *>{AdvGlowButton10, AdvGlowButton11, AdvGlowButton12} + ImageFileBox1->Buttons();
}

void TPage93Cxx::SetEngine(TZqEEPROM93Cxx *engine)
{
    FEngine = engine;
    ImageFileBox1->SetEngine(engine);
    if (!engine)
        return;
    engine->OnProgress = [this](QObject *sender, TEepromAction action, int percent) {
        ZqEEPROM93Cxx1Progress(sender, action, percent);
    };
    engine->OnActionEnd = [this](QObject *sender, TEepromAction action, int bytes) {
        ZqEEPROM93Cxx1ActionEnd(sender, action, bytes);
    };
}
TZqEEPROM93Cxx *TPage93Cxx::Engine() const { return FEngine; }

int TPage93Cxx::ChipType() const { return ComboBox2->currentIndex(); }
int TPage93Cxx::ChipTypeCount() const { return ComboBox2->count(); }
void TPage93Cxx::SetChipType(int index) { ComboBox2->setCurrentIndex(index); }
bool TPage93Cxx::Organisation16() const { return RadioButton1->isChecked(); }
void TPage93Cxx::SetOrganisation16(bool on) { (on ? RadioButton1 : RadioButton2)->setChecked(true); }

void TPage93Cxx::Apply93CxxType()
{
    const int item = ComboBox2->currentIndex();
    if (item < 0 || item >= int(std::size(kChipWords)))
        return;
    if (FEngine) {
        FEngine->SetEepromType(TZqEEPROM93Cxx::TEepromType(item));
        FEngine->SetEepromOrganisation(Organisation16() ? TZqEEPROM93Cxx::eo16_bit : TZqEEPROM93Cxx::eo8_bit);
    }
    ed93c46bytes->setText(QString::number(kChipWords[item] * (Organisation16() ? 1 : 2)));
}

// From the first switch on, both count captions speak of bytes: the engines
// count bytes whatever the organisation.
void TPage93Cxx::RadioButton1Click()
{
    Label21->setText(Organisation16() ? QStringLiteral("ilość słów:") : QStringLiteral("ilość bajtów:"));
    Label19->setText(QStringLiteral("Ilość bajtów odczytanych: "));
    Label22->setText(QStringLiteral("Ilość bajtów zapisanych: "));
    Apply93CxxType();
}

void TPage93Cxx::AdvGlowButton10Click()
{
    const TDeviceGuard::THold hold = BeginWork();
    if (hold)
        ReadIntoView();
}

void TPage93Cxx::ReadIntoView()
{
    SetGauge(prg1, 0, kReadColour);
    RestartLines(ZqHexView2, QStringLiteral("reading EEPROM ... 0%"));
    QCoreApplication::processEvents();
    if (FEngine)
        FEngine->ReadEEPROM(FieldNumber(ed93c46adr), FieldNumber(ed93c46bytes));
}

// The erase writes FF over the words that differ, so it is backed up and
// confirmed like any other write.
void TPage93Cxx::AdvGlowButton11Click()
{
    if (!CheckBox2->isChecked()) {
        ShowNotice(this, FNotice, kEraseNotice);
        return;
    }
    const TDeviceGuard::THold hold = BeginWork();
    if (!hold || !FEngine)
        return;
    CheckBox2->setChecked(false);
    ZqHexView2->clear();
    ImageFileBox1->WriteProtected(BlankImage(FEngine->BufferSize()));
}

// The address counts words in 16-bit organisation, bytes in 8-bit.
void TPage93Cxx::AdvGlowButton12Click()
{
    const TDeviceGuard::THold hold = BeginWork();
    if (!hold || !FEngine || Edit4->text().isEmpty())
        return;
    ZqHexView2->clear();
    SetGauge(prg1, 0, kWriteColour);
    const int byteAddress = FieldNumber(Edit5) * (Organisation16() ? 2 : 1);
    ImageFileBox1->WriteProtected(
        TImageFileBox::TypedImage(Cp1250::Encode(Edit4->text()), byteAddress, FEngine->BufferSize()));
}

void TPage93Cxx::ShowWritten(qint64 changedBytes)
{
    lb93cBajtyZapisane->setText(QString::number(changedBytes));
    ReadIntoView();
}

void TPage93Cxx::CheckBox5Click() { ZqHexView2->SetAddGap(CheckBox5->isChecked()); }

void TPage93Cxx::CheckBox6Click()
{
    if (FEngine)
        FEngine->SetSequentialRead(CheckBox6->isChecked());
}

void TPage93Cxx::ZqEEPROM93Cxx1Progress(QObject *, TEepromAction EepromAction, int progress_percent)
{
    if (EepromAction != eaRead)
        return;
    prg1->setValue(progress_percent);
    ReplaceFirstLine(ZqHexView2, QStringLiteral("reading EEPROM ... ") + PercentText(progress_percent));
}

void TPage93Cxx::ZqEEPROM93Cxx1ActionEnd(QObject *, TEepromAction EepromAction, int bytes)
{
    if (EepromAction != eaRead)
        return;
    lb93cBajtyOdczytane->setText(QString::number(bytes));
    ImageFileBox1->ShowRead(bytes);
    if (bytes == 0 && FEngine && !FEngine->LastReadProblem().isEmpty())
        RestartLines(ZqHexView2, FEngine->LastReadProblem());
}
