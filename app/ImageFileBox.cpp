#include "ImageFileBox.h"

#include "ChipGuard.h"
#include "EepromImage.h"
#include "ImageFile.h"
#include "ZqHexView.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {
const QString kFilter = QStringLiteral("Chip images (*.bin *.hex *.ihx *.ihex *.srec *.s19 *.s28 *.s37 *.mot *.s);;"
                                       "All files (*)");

QString DialogChooser(QWidget *parent, bool forSaving)
{
    return forSaving ? QFileDialog::getSaveFileName(parent, QStringLiteral("Zapisz obraz pamięci"), QString(), kFilter)
                     : QFileDialog::getOpenFileName(parent, QStringLiteral("Otwórz obraz pamięci"), QString(), kFilter);
}

bool DialogConfirm(QWidget *parent, const QString &text)
{
    return QMessageBox::question(parent, QStringLiteral("Zmiana zawartości pamięci"), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

QPushButton *Button(const QString &caption, const QString &tip, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    return button;
}

// The summary counts what differs; only a write that went through changed it.
qint64 ChangedBytes(const TProtectedOutcome &outcome)
{
    return outcome.ok && !outcome.cancelled ? outcome.summary.bytes : 0;
}
} // namespace

TImageFileBox::TFileChooser &TImageFileBox::FileChooser()
{
    static TFileChooser chooser = DialogChooser;
    return chooser;
}

TImageFileBox::TConfirm &TImageFileBox::Confirmer()
{
    static TConfirm confirm = DialogConfirm;
    return confirm;
}

QString &TImageFileBox::BackupFolder()
{
    static QString folder;
    return folder;
}

TImageFileBox::TWaitMs &TImageFileBox::BusCheckWait()
{
    static TWaitMs wait = WaitWithMessages;
    return wait;
}

TImageFileBox::TImageFileBox(std::function<TDeviceGuard::THold()> beginWork, std::function<QByteArray()> chipName,
                             QWidget *parent)
    : QGroupBox(QStringLiteral(" Plik "), parent), FBeginWork(std::move(beginWork)), FChipName(std::move(chipName))
{
    setObjectName(QStringLiteral("gbImageFile"));
    btnSaveFile =
        Button(QStringLiteral("Zapisz do pliku…"),
               QStringLiteral("Save the last read to a file: raw binary, Intel HEX (.hex) or S-record (.srec, "
                              ".s19), chosen by the file name's extension"),
               "btnSaveFile", this);
    btnWriteFile =
        Button(QStringLiteral("Zapisz plik do kości…"),
               QStringLiteral("Write a raw, Intel HEX or S-record file to the chip; addresses the file leaves "
                              "out are not touched"),
               "btnWriteFile", this);
    btnVerifyFile = Button(QStringLiteral("Weryfikuj z plikiem…"),
                           QStringLiteral("Read the chip and compare it with a file"), "btnVerifyFile", this);
    btnBlankCheck = Button(QStringLiteral("Sprawdź czy czysta"),
                           QStringLiteral("Read the chip and check that every byte is FF"), "btnBlankCheck", this);
    cbVerifyAfterWrite = new QCheckBox(QStringLiteral("Weryfikuj po zapisie"), this);
    cbVerifyAfterWrite->setObjectName(QStringLiteral("cbVerifyAfterWrite"));
    cbVerifyAfterWrite->setToolTip(QStringLiteral("After writing a file, read the chip back and compare"));
    cbVerifyAfterWrite->setChecked(true);
    lbImageStatus = new QLabel(this);
    lbImageStatus->setObjectName(QStringLiteral("lbImageStatus"));
    lbImageStatus->setWordWrap(true);
    lbImageStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *box = new QGridLayout(this);
    box->addWidget(btnSaveFile, 0, 0);
    box->addWidget(btnWriteFile, 0, 1);
    box->addWidget(btnVerifyFile, 0, 2);
    box->addWidget(btnBlankCheck, 0, 3);
    box->addWidget(cbVerifyAfterWrite, 1, 0);
    box->addWidget(lbImageStatus, 1, 1, 1, 3);
    connect(btnSaveFile, &QPushButton::clicked, this, &TImageFileBox::SaveClick);
    connect(btnWriteFile, &QPushButton::clicked, this, &TImageFileBox::WriteClick);
    connect(btnVerifyFile, &QPushButton::clicked, this, &TImageFileBox::VerifyClick);
    connect(btnBlankCheck, &QPushButton::clicked, this, &TImageFileBox::BlankClick);
}

QList<QWidget *> TImageFileBox::Buttons() const { return {btnSaveFile, btnWriteFile, btnVerifyFile, btnBlankCheck}; }

QString TImageFileBox::StatusText() const { return lbImageStatus->text(); }

void TImageFileBox::Report(const QString &text)
{
    FLastReport = text;
    lbImageStatus->setText(text);
    emit Reported(text);
}

void TImageFileBox::FollowSelection(TZqHexView *view)
{
    connect(view, &QTextEdit::selectionChanged, this, [this, view] {
        const QString selection = view->SelectionText();
        lbImageStatus->setText(selection.isEmpty() ? FLastReport : selection);
    });
}

// Saving touches no device, but waits its turn so it never catches a read
// half done.
void TImageFileBox::SaveClick()
{
    const TDeviceGuard::THold hold = FBeginWork();
    if (!hold || !FEngine)
        return;
    const ChipImage image = FEngine->LastRead();
    if (image.isEmpty()) {
        Report(QStringLiteral("nothing read yet: read the chip first"));
        return;
    }
    const QString path = FileChooser()(this, true);
    if (path.isEmpty())
        return;
    QString error;
    const ImageFormat format = formatForFileName(path);
    if (!saveImageFile(path, image, format, &error, FChipName()))
        Report(error);
    else
        Report(QStringLiteral("%1 bytes saved to %2 (%3)")
                   .arg(image.presentBytes())
                   .arg(QFileInfo(path).fileName(), formatName(format)));
}

bool TImageFileBox::LoadChosen(ChipImage &image)
{
    const QString path = FileChooser()(this, false);
    if (path.isEmpty())
        return false;
    const ImageParseResult result = loadImageFile(path, kMaxImageFileBytes);
    if (!result.ok) {
        Report(result.error + QStringLiteral("; the chip was not touched"));
        return false;
    }
    image = result.image;
    return true;
}

void TImageFileBox::ShowRead(int bytes)
{
    if (!FEngine)
        return;
    const int start = bytes > 0 ? int(FEngine->LastRead().segments().constFirst().address) : 0;
    Report(ReadStatus(*FEngine, bytes, start, FSmallerTypes));
}

void TImageFileBox::WriteProtected(const ChipImage &image)
{
    if (!FEngine)
        return;
    TProtectedWrite how;
    how.chipName = QString::fromLatin1(FChipName()).section(QLatin1Char(' '), 0, 0).toUpper();
    how.backupFolder = BackupFolder().isEmpty() ? DefaultBackupFolder() : BackupFolder();
    how.now = QDateTime::currentDateTime();
    how.verify = cbVerifyAfterWrite->isChecked();
    how.confirm = [this](const QString &summary) { return Confirmer()(this, summary); };
    how.busCheck = FBusCheck;
    how.overrideBusCheck = [this](const QString &reason) {
        return Confirmer()(this, reason + QStringLiteral(".\nWrite to the chip all the same?"));
    };
    const TProtectedOutcome outcome = ProtectedWriteImage(*FEngine, image, how);
    // A write stopped before it read the chip leaves the view and count alone.
    const bool chipReached = outcome.ok || outcome.cancelled || !outcome.summary.nothing();
    if (FAfterWrite && chipReached)
        FAfterWrite(image, ChangedBytes(outcome));
    // The read-back has its own status; the write's outcome matters more.
    Report(outcome.message);
}

ChipImage TImageFileBox::TypedImage(const QByteArray &data, int byteAddress, int chipBytes)
{
    ChipImage image;
    for (int i = 0; byteAddress >= 0 && i < data.size() && byteAddress + i < chipBytes; ++i)
        image.set(std::uint32_t(byteAddress + i), std::uint8_t(data[i]));
    return image;
}

// The write always reads back and compares: only what differs is written,
// so the comparison is what proves the rest.
void TImageFileBox::WriteClick()
{
    const TDeviceGuard::THold hold = FBeginWork();
    ChipImage image;
    if (hold && FEngine && LoadChosen(image))
        WriteProtected(image);
}

void TImageFileBox::VerifyClick()
{
    const TDeviceGuard::THold hold = FBeginWork();
    ChipImage image;
    if (!hold || !FEngine || !LoadChosen(image))
        return;
    bool swapped = false;
    const TImageOutcome outcome = VerifyWithSwapCheck(*FEngine, image, FWordSwapCheck && FWordSwapCheck(), &swapped);
    Report(outcome.message);
    if (swapped && Confirmer()(this, outcome.message + QStringLiteral(".\nWrite the file to the chip with the bytes of "
                                                                      "every word swapped?")))
        WriteProtected(SwapWordBytes(image));
}

void TImageFileBox::BlankClick()
{
    const TDeviceGuard::THold hold = FBeginWork();
    if (hold && FEngine)
        Report(BlankCheckChip(*FEngine).message);
}
