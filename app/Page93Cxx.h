#pragma once
// The "EEPROM 93Cxx" page: chip type and organisation, reads, writes and erase.
#include "DevicePage.h"

#include "ZqEEPROMCommon.h"
#include <QMessageBox>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class QProgressBar;
class QPushButton;
class QRadioButton;
class TZqEEPROM93Cxx;
class TImageFileBox;
class TZqHexView;

class TPage93Cxx : public TDevicePage {
    Q_OBJECT
public:
    explicit TPage93Cxx(QWidget *parent = nullptr);

    // The page takes the engine's events.
    void SetEngine(TZqEEPROM93Cxx *engine);
    TZqEEPROM93Cxx *Engine() const;

    int ChipType() const;
    int ChipTypeCount() const;
    void SetChipType(int index);
    bool Organisation16() const;
    // Checks the 16-bit or the 8-bit button, as a click on it would.
    void SetOrganisation16(bool on);
    // The chosen type and organisation into the engine, the chip's size in
    // words or bytes into the read count.
    void Apply93CxxType();

    // The last notice shown to the user, if any.
    QMessageBox *Notice() const { return FNotice; }

    TClickablePicture *Image3;
    QComboBox *ComboBox2;
    QRadioButton *RadioButton1;
    QRadioButton *RadioButton2;
    TZqHexView *ZqHexView2;
    TImageFileBox *ImageFileBox1;
    QProgressBar *prg1;
    QCheckBox *CheckBox5;
    QCheckBox *CheckBox6;
    QLineEdit *ed93c46adr;
    QLineEdit *ed93c46bytes;
    QPushButton *AdvGlowButton10;
    QLabel *Label21;
    QLabel *Label19;
    QLabel *lb93cBajtyOdczytane;
    QLineEdit *Edit5;
    QLineEdit *Edit4;
    QPushButton *AdvGlowButton12;
    QCheckBox *CheckBox2;
    QPushButton *AdvGlowButton11;
    QLabel *Label22;
    QLabel *lb93cBajtyZapisane;

protected:
    QList<QWidget *> DeviceButtons() const override;

private:
    QWidget *NewReadGroup();
    QWidget *NewWriteGroup();
    void RadioButton1Click();
    void AdvGlowButton10Click();
    void AdvGlowButton11Click();
    void AdvGlowButton12Click();
    void ReadIntoView();
    void ShowWritten(qint64 changedBytes);
    void CheckBox5Click();
    void CheckBox6Click();
    void ZqEEPROM93Cxx1Progress(QObject *Sender, TEepromAction EepromAction, int progress_percent);
    void ZqEEPROM93Cxx1ActionEnd(QObject *Sender, TEepromAction EepromAction, int bytes);

    QPointer<TZqEEPROM93Cxx> FEngine;
    QPointer<QMessageBox> FNotice;
};
