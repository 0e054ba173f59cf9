#include "Page24Cxx.h"

#include "BusGuard.h"
#include "ChipGuard.h"
#include "ClickablePicture.h"
#include "Cp1250.h"
#include "DeviceGuard.h"
#include "ImageFileBox.h"
#include "PageTools.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqHexView.h"
#include "ZqLibUSB.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <utility>

using namespace PageTools;

namespace {
const QColor kReadColour(201, 255, 147);
const QColor kWriteColour(255, 255, 164);
const QColor kEraseColour(255, 0, 0);
const QString kReadingLine = QStringLiteral("reading EEPROM ... 0%");
const QString kEraseNotice = QStringLiteral("Zaznacz checkbox \"ERASE\"   ");
const int kChipBytes[] = {256, 512, 1024, 2048};
const QString kWrittenCaption = QStringLiteral("Ilość bajtów zapisanych: ");
const QString kErasedCaption = QStringLiteral("Ilość bajtów skasowanych: ");
const QString kFallbackNote = QStringLiteral("  (adapter nie czyta blokami: odczyt bajt po bajcie)");

QString ActionText(TEepromAction action)
{
    switch (action) {
    case eaRead:
        return QStringLiteral("reading EEPROM ... ");
    case eaWrite:
        return QStringLiteral("writing to EEPROM ... ");
    case eaErase:
        return QStringLiteral("erasing EEPROM ... ");
    }
    return QString();
}
} // namespace

TPage24Cxx::TPage24Cxx(QWidget *parent) : TDevicePage(parent)
{
    Image7 = Named(NewChipPicture(QStringLiteral("24c04")), "Image7");
    ComboBox3 = TypeList("ComboBox3", {"24c02 - 2 kbit", "24c04 - 4 kbit", "24c08 - 8 kbit", "24c16 - 16 kbit"}, this);
    ComboBox3->setCurrentIndex(1);
    ZqHexView1 = Named(new TZqHexView(this), "ZqHexView1");
    prg = NewGauge(this, "prg", kReadColour);
    CheckBox4 = Named(new QCheckBox(QStringLiteral("Odstępy"), this), "CheckBox4");
    CheckBox4->setChecked(true);
    auto *grid = NewPageLayout(Image7);
    grid->addWidget(ComboBox3, 0, 1, Qt::AlignTop);
    grid->addWidget(NewReadGroup(), 1, 1, 2, 1, Qt::AlignTop);
    grid->addWidget(NewWriteGroup(), 0, 2, 3, 2, Qt::AlignTop);
    ImageFileBox1 =
        new TImageFileBox([this] { return BeginWork(); },
                          [this] { return ComboBox3->currentText().section(QLatin1Char(' '), 0, 0).toLatin1(); }, this);
    ImageFileBox1->SetSmallerTypes({{256, "24C02"}, {512, "24C04"}, {1024, "24C08"}});
    ImageFileBox1->FollowSelection(ZqHexView1);
    ImageFileBox1->SetAfterWrite([this](const ChipImage &image, qint64 changed) { ShowWritten(image, changed); });
    ImageFileBox1->SetBusCheck([this](const ChipImage &image) { return BusCheck(image); });
    grid->addWidget(ImageFileBox1, 3, 0, 1, 4);
    auto *viewHead = new QHBoxLayout;
    viewHead->addWidget(new QLabel(QStringLiteral("Dane z pamięci EEPROM "), this));
    viewHead->addWidget(prg, 1);
    viewHead->addWidget(CheckBox4);
    viewHead->addLayout(NewBlockRow());
    grid->addLayout(viewHead, 4, 0, 1, 4);
    grid->addWidget(ZqHexView1, 5, 0, 1, 4);
    grid->setRowStretch(3, 0);
    grid->setRowStretch(5, 1);
    connect(ComboBox3, &QComboBox::currentIndexChanged, this, &TPage24Cxx::Apply24CxxType);
    connect(AdvGlowButton7, &QPushButton::clicked, this, &TPage24Cxx::AdvGlowButton7Click);
    connect(AdvGlowButton8, &QPushButton::clicked, this, &TPage24Cxx::AdvGlowButton8Click);
    connect(AdvGlowButton9, &QPushButton::clicked, this, &TPage24Cxx::AdvGlowButton9Click);
    connect(CheckBox4, &QCheckBox::clicked, this, &TPage24Cxx::CheckBox4Click);
    connect(btnScanI2c, &QPushButton::clicked, this, &TPage24Cxx::ScanI2cClick);
    connect(edBlockSize, &QSpinBox::valueChanged, this, &TPage24Cxx::edBlockSizeChange);
    ZqHexView1->OnDisplayEnd = ZqHexView1DisplayEnd;
}

QWidget *TPage24Cxx::NewReadGroup()
{
    auto *group = new QGroupBox(QStringLiteral(" Odczyt "), this);
    edEEaddr = DigitsEdit(group, "edEEaddr", 4, QStringLiteral("0"));
    edEEbytes = DigitsEdit(group, "edEEbytes", 4, QStringLiteral("512"));
    AdvGlowButton7 = Named(new QPushButton(QStringLiteral("ODCZYTAJ"), group), "AdvGlowButton7");
    Label13 = Named(new QLabel(QStringLiteral("Ilość bajtów odczytanych: "), group), "Label13");
    btnScanI2c = Named(new QPushButton(QStringLiteral("SKANUJ I2C"), group), "btnScanI2c");
    btnScanI2c->setToolTip(QStringLiteral("List the device bytes that answer on the I2C bus; nothing is written"));
    lbBusScan = Named(new QLabel(group), "lbBusScan");
    lbBusScan->setWordWrap(true);
    lbBusScan->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *box = new QGridLayout(group);
    box->addWidget(new QLabel(QStringLiteral("adres"), group), 0, 0);
    box->addWidget(new QLabel(QStringLiteral("ilość bajtów:"), group), 0, 1);
    box->addWidget(edEEaddr, 1, 0);
    box->addWidget(edEEbytes, 1, 1);
    box->addWidget(AdvGlowButton7, 1, 2);
    box->addWidget(Label13, 2, 0, 1, 3);
    box->addWidget(btnScanI2c, 3, 0);
    box->addWidget(lbBusScan, 3, 1, 1, 2);
    return group;
}

QWidget *TPage24Cxx::NewWriteGroup()
{
    auto *group = new QGroupBox(QStringLiteral(" Zapis "), this);
    edEEoffset = DigitsEdit(group, "edEEoffset", 4, QStringLiteral("0"));
    edEEMdata = Named(new QLineEdit(QStringLiteral("przykładowy tekst"), group), "edEEMdata");
    AdvGlowButton9 = Named(new QPushButton(QStringLiteral("ZAPISZ"), group), "AdvGlowButton9");
    CheckBox1 = Named(new QCheckBox(QStringLiteral("ERASE"), group), "CheckBox1");
    AdvGlowButton8 = Named(new QPushButton(QStringLiteral("SKASUJ"), group), "AdvGlowButton8");
    Label14 = Named(new QLabel(kWrittenCaption, group), "Label14");
    auto *box = new QGridLayout(group);
    box->addWidget(new QLabel(QStringLiteral("adres"), group), 0, 0);
    box->addWidget(new QLabel(QStringLiteral("Dane do pamięci eeprom"), group), 0, 1);
    box->addWidget(edEEoffset, 1, 0);
    box->addWidget(edEEMdata, 1, 1);
    box->addWidget(AdvGlowButton9, 1, 2);
    box->addWidget(CheckBox1, 2, 1, Qt::AlignRight);
    box->addWidget(AdvGlowButton8, 2, 2);
    box->addWidget(Label14, 3, 0, 1, 3);
    return group;
}

QLayout *TPage24Cxx::NewBlockRow()
{
    edBlockSize = Named(new QSpinBox(this), "edBlockSize");
    edBlockSize->setRange(1, TZqEEPROM24Cxx::MaxBlockSize);
    edBlockSize->setValue(TZqEEPROM24Cxx::DefaultBlockSize);
    edBlockSize->setToolTip(QStringLiteral("Bytes per read request (1 to 256). 1 reads byte by byte, as every adapter "
                                           "can; an adapter that fails block reads is read byte by byte anyway."));
    auto *label = new QLabel(QStringLiteral("  bajtów na odczyt:"), this);
    label->setToolTip(edBlockSize->toolTip());
    label->setBuddy(edBlockSize);
    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(edBlockSize);
    return row;
}

QList<QWidget *> TPage24Cxx::DeviceButtons() const
{
    return QList<QWidget *>{AdvGlowButton7, AdvGlowButton8, AdvGlowButton9, btnScanI2c} + ImageFileBox1->Buttons();
}

void TPage24Cxx::SetEngine(TZqEEPROM24Cxx *engine)
{
    FEngine = engine;
    ImageFileBox1->SetEngine(engine);
    if (!engine)
        return;
    engine->OnProgress = [this](QObject *sender, TEepromAction action, int percent) {
        ZqEEPROM24Cxx1Progress(sender, action, percent);
    };
    engine->OnActionEnd = [this](QObject *sender, TEepromAction action, int bytes) {
        ZqEEPROM24Cxx1ActionEnd(sender, action, bytes);
    };
    engine->OnBlockFallback = [this](QObject *) { FFallbackToTell = true; };
    engine->SetBlockSize(edBlockSize->value());
}
TZqEEPROM24Cxx *TPage24Cxx::Engine() const { return FEngine; }

int TPage24Cxx::ChipType() const { return ComboBox3->currentIndex(); }
int TPage24Cxx::ChipTypeCount() const { return ComboBox3->count(); }
void TPage24Cxx::SetChipType(int index) { ComboBox3->setCurrentIndex(index); }

void TPage24Cxx::Apply24CxxType()
{
    const int item = ComboBox3->currentIndex();
    if (item < 0 || item >= int(std::size(kChipBytes)))
        return;
    if (FEngine)
        FEngine->SetEepromType(TZqEEPROM24Cxx::TEepromType(item));
    edEEbytes->setText(QString::number(kChipBytes[item]));
}

int TPage24Cxx::BlockSize() const { return edBlockSize->value(); }
void TPage24Cxx::SetBlockSize(int bytes) { edBlockSize->setValue(bytes); }

void TPage24Cxx::edBlockSizeChange()
{
    if (FEngine)
        FEngine->SetBlockSize(edBlockSize->value());
}

void TPage24Cxx::AdvGlowButton7Click()
{
    const TDeviceGuard::THold hold = BeginWork();
    if (hold)
        ReadEEPROM();
}

void TPage24Cxx::AdvGlowButton8Click()
{
    if (!CheckBox1->isChecked()) {
        ShowNotice(this, FNotice, kEraseNotice);
        return;
    }
    const TDeviceGuard::THold hold = BeginWork();
    if (!hold || !FEngine)
        return;
    CheckBox1->setChecked(false);
    WriteImage(BlankImage(FEngine->BufferSize()), kEraseColour);
}

// A blank text erases the whole chip; the count label says so.
void TPage24Cxx::AdvGlowButton9Click()
{
    const TDeviceGuard::THold hold = BeginWork();
    if (!hold || !FEngine)
        return;
    const QByteArray data = Cp1250::Encode(edEEMdata->text());
    const int chipBytes = FEngine->BufferSize();
    if (TZqEEPROM24Cxx::ErasesChip(data))
        WriteImage(BlankImage(chipBytes), kEraseColour);
    else
        WriteImage(TImageFileBox::TypedImage(data, FieldNumber(edEEoffset), chipBytes), kWriteColour);
}

void TPage24Cxx::ScanI2cClick()
{
    const TDeviceGuard::THold hold = BeginWork();
    if (!hold)
        return;
    // Without an adapter an empty list would read as an empty bus.
    const bool adapter = Link() && Link()->Connected();
    lbBusScan->setText(adapter ? BusScanText(ScanI2cBus(Link()))
                               : QStringLiteral("RZT-USBasp not connected: the bus was not scanned"));
}

void TPage24Cxx::CheckBox4Click() { ZqHexView1->SetAddGap(CheckBox4->isChecked()); }

void TPage24Cxx::WriteImage(const ChipImage &image, const QColor &colour)
{
    SetGauge(prg, 0, colour);
    ZqHexView1->clear();
    ImageFileBox1->WriteProtected(image);
}

void TPage24Cxx::ShowWritten(const ChipImage &image, qint64 changedBytes)
{
    const bool erase = FEngine && image == BlankImage(FEngine->BufferSize());
    Label14->setText((erase ? kErasedCaption : kWrittenCaption) + QString::number(changedBytes));
    ReadEEPROM();
}

// A clock that shares the image's device bytes would take the write as its own.
QString TPage24Cxx::BusCheck(const ChipImage &image) const
{
    if (!FEngine)
        return QString();
    const QString chipName = ComboBox3->currentText().section(QLatin1Char(' '), 0, 0).toUpper();
    return RunningClockUnderImage(*FEngine, chipName, image, TImageFileBox::BusCheckWait());
}

void TPage24Cxx::ReadEEPROM()
{
    SetGauge(prg, 0, kReadColour);
    RestartLines(ZqHexView1, kReadingLine);
    if (FEngine)
        FEngine->ReadEEPROM(FieldNumber(edEEaddr), FieldNumber(edEEbytes));
}

void TPage24Cxx::ZqEEPROM24Cxx1Progress(QObject *, TEepromAction EepromAction, int progress_percent)
{
    prg->setValue(progress_percent);
    ReplaceFirstLine(ZqHexView1, ActionText(EepromAction) + PercentText(progress_percent));
}

void TPage24Cxx::ZqEEPROM24Cxx1ActionEnd(QObject *, TEepromAction EepromAction, int bytes)
{
    const QString count = QString::number(bytes);
    switch (EepromAction) {
    case eaRead:
        Label13->setText(QStringLiteral("Ilość bajtów odczytanych: ") + count +
                         (std::exchange(FFallbackToTell, false) ? kFallbackNote : QString()));
        ImageFileBox1->ShowRead(bytes);
        if (bytes == 0 && FEngine && !FEngine->LastReadProblem().isEmpty())
            RestartLines(ZqHexView1, FEngine->LastReadProblem());
        break;
    case eaWrite:
    case eaErase:
        // Every write is a protected one, which counts the bytes it changed.
        break;
    }
}
