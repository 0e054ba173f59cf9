#pragma once
// The "EEPROM 24Cxx" page: chip type, reads into its hex view, writes and erase.
#include "DevicePage.h"

class QComboBox;
class TZqEEPROM24Cxx;
class TZqHexView;

class TPage24Cxx : public TDevicePage {
    Q_OBJECT
public:
    explicit TPage24Cxx(QWidget *parent = nullptr);

    void SetEngine(TZqEEPROM24Cxx *engine);
    TZqEEPROM24Cxx *Engine() const;

    int ChipType() const;
    int ChipTypeCount() const;
    void SetChipType(int index);
    // The chosen type into the engine.
    void Apply24CxxType();

    TClickablePicture *Image7;
    QComboBox *ComboBox3;
    TZqHexView *ZqHexView1;

private:
    QPointer<TZqEEPROM24Cxx> FEngine;
};
