#pragma once
// The chip image group of an EEPROM page: save the last read to a file,
// write a file to the chip (and prove it), verify the chip against a file,
// check that it is blank. The page gives the engine, its guard and the
// chip's name; results go to the group's status line and to Reported.
#include "DeviceGuard.h"

#include <QGroupBox>
#include <QPointer>
#include <functional>

class ChipImage;
class QCheckBox;
class QLabel;
class QPushButton;
class TZqEEPROMBase;
class TZqHexView;

class TImageFileBox : public QGroupBox {
    Q_OBJECT
public:
    // Asks for a file to read (forSaving false) or to write; empty: cancelled.
    // Tests put their own in place of the file dialog.
    using TFileChooser = std::function<QString(QWidget *parent, bool forSaving)>;
    static TFileChooser &FileChooser();
    // Asks the user to go on (the change summary, an offer); false: do not.
    // Tests answer in place of the message box.
    using TConfirm = std::function<bool(QWidget *parent, const QString &text)>;
    static TConfirm &Confirmer();
    // Where backups go; empty: the user's data folder.
    static QString &BackupFolder();
    // How a bus check waits between its looks at a clock; the window goes on
    // meanwhile. Tests move a simulated clock instead.
    using TWaitMs = std::function<void(int ms)>;
    static TWaitMs &BusCheckWait();

    TImageFileBox(std::function<TDeviceGuard::THold()> beginWork, std::function<QByteArray()> chipName,
                  QWidget *parent);

    void SetEngine(TZqEEPROMBase *engine) { FEngine = engine; }
    QList<QWidget *> Buttons() const;
    QString StatusText() const;
    // Chip sizes below the chosen type, for the note after a whole-chip read.
    void SetSmallerTypes(const QList<QPair<int, QString>> &types) { FSmallerTypes = types; }
    // A 93Cxx in 16-bit organisation: a failed verify looks for swapped bytes.
    void SetWordSwapCheck(std::function<bool()> check) { FWordSwapCheck = std::move(check); }
    // A selection of bytes in view shows its range and CRC-32 in the status;
    // without one the status is the last report again.
    void FollowSelection(TZqHexView *view);
    // The status after the engine's read of bytes (CRC-32, notes, or why
    // nothing was read).
    void ShowRead(int bytes);
    // Asked before every write: a reason not to touch the chip (another chip
    // shares its addresses). The user is shown it and may go on all the same.
    void SetBusCheck(std::function<QString(const ChipImage &image)> check) { FBusCheck = std::move(check); }
    // After every write that reached the chip the page reads it back into
    // its view and shows how many bytes of image changed.
    using TAfterWrite = std::function<void(const ChipImage &image, qint64 changedBytes)>;
    void SetAfterWrite(TAfterWrite show) { FAfterWrite = std::move(show); }
    // Backs the chip up, shows what would change, writes only what differs
    // after the user agrees, then reads back. Every write of the page (file,
    // typed text, erase) comes here. Call with the page's hold.
    void WriteProtected(const ChipImage &image);
    // Typed bytes at byteAddress, cut at the chip's end as the engines cut a write.
    static ChipImage TypedImage(const QByteArray &data, int byteAddress, int chipBytes);

    QPushButton *btnSaveFile;
    QPushButton *btnWriteFile;
    QPushButton *btnVerifyFile;
    QPushButton *btnBlankCheck;
    QCheckBox *cbVerifyAfterWrite;
    QLabel *lbImageStatus;

signals:
    void Reported(const QString &text);

private:
    void SaveClick();
    void WriteClick();
    void VerifyClick();
    void BlankClick();
    // The chosen file's image, or an empty one and the reason in the status.
    bool LoadChosen(ChipImage &image);
    void Report(const QString &text);

    std::function<TDeviceGuard::THold()> FBeginWork;
    std::function<QByteArray()> FChipName;
    QPointer<TZqEEPROMBase> FEngine;
    QList<QPair<int, QString>> FSmallerTypes;
    std::function<bool()> FWordSwapCheck;
    std::function<QString(const ChipImage &)> FBusCheck;
    TAfterWrite FAfterWrite;
    QString FLastReport;
};
