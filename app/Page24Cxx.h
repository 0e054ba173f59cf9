#pragma once
// The "EEPROM 24Cxx" page: chip type, reads into its hex view, writes and erase.
#include "DevicePage.h"

#include "ZqEEPROMCommon.h"
#include <QMessageBox>

class ChipImage;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class QProgressBar;
class QSpinBox;
class QPushButton;
class TZqEEPROM24Cxx;
class TImageFileBox;
class TZqHexView;

class TPage24Cxx : public TDevicePage {
    Q_OBJECT
public:
    explicit TPage24Cxx(QWidget *parent = nullptr);

    // The page takes the engine's events.
    void SetEngine(TZqEEPROM24Cxx *engine);
    TZqEEPROM24Cxx *Engine() const;

    int ChipType() const;
    int ChipTypeCount() const;
    void SetChipType(int index);
    // The chosen type into the engine and its size into the read count.
    void Apply24CxxType();
    // Bytes per read request, shown and passed to the engine (1..256).
    int BlockSize() const;
    void SetBlockSize(int bytes);

    // The last notice shown to the user, if any.
    QMessageBox *Notice() const { return FNotice; }

    TClickablePicture *Image7;
    QComboBox *ComboBox3;
    TZqHexView *ZqHexView1;
    TImageFileBox *ImageFileBox1;
    QProgressBar *prg;
    QCheckBox *CheckBox4;
    QLineEdit *edEEaddr;
    QLineEdit *edEEbytes;
    QPushButton *AdvGlowButton7;
    QLabel *Label13;
    QLineEdit *edEEoffset;
    QLineEdit *edEEMdata;
    QPushButton *AdvGlowButton9;
    QCheckBox *CheckBox1;
    QPushButton *AdvGlowButton8;
    QLabel *Label14;
    QSpinBox *edBlockSize;
    QPushButton *btnScanI2c;
    QLabel *lbBusScan;

protected:
    QList<QWidget *> DeviceButtons() const override;

private:
    QWidget *NewReadGroup();
    QWidget *NewWriteGroup();
    QLayout *NewBlockRow();
    void edBlockSizeChange();
    void ScanI2cClick();
    void AdvGlowButton7Click();
    void AdvGlowButton8Click();
    void AdvGlowButton9Click();
    void CheckBox4Click();
    // An erase is the write of a blank image; the box reads back after either.
    void WriteImage(const ChipImage &image, const QColor &colour);
    void ShowWritten(const ChipImage &image, qint64 changedBytes);
    QString BusCheck(const ChipImage &image) const;
    void ReadEEPROM();
    void ZqEEPROM24Cxx1Progress(QObject *Sender, TEepromAction EepromAction, int progress_percent);
    void ZqEEPROM24Cxx1ActionEnd(QObject *Sender, TEepromAction EepromAction, int bytes);

    QPointer<TZqEEPROM24Cxx> FEngine;
    QPointer<QMessageBox> FNotice;
    // The engine fell back to byte-by-byte reads; told at the end of the read.
    bool FFallbackToTell = false;
};
