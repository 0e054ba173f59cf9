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

class TImageFileBox : public QGroupBox {
    Q_OBJECT
public:
    // Asks for a file to read (forSaving false) or to write; empty: cancelled.
    // Tests put their own in place of the file dialog.
    using TFileChooser = std::function<QString(QWidget *parent, bool forSaving)>;
    static TFileChooser &FileChooser();

    TImageFileBox(std::function<TDeviceGuard::THold()> beginWork, std::function<QByteArray()> chipName,
                  QWidget *parent);

    void SetEngine(TZqEEPROMBase *engine) { FEngine = engine; }
    QList<QWidget *> Buttons() const;
    QString StatusText() const;

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
};
