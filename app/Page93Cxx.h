#pragma once
// The "EEPROM 93Cxx" page: chip type and organisation, reads, writes and erase.
#include "DevicePage.h"

class QComboBox;
class QRadioButton;
class TZqEEPROM93Cxx;
class TZqHexView;

class TPage93Cxx : public TDevicePage {
    Q_OBJECT
public:
    explicit TPage93Cxx(QWidget *parent = nullptr);

    void SetEngine(TZqEEPROM93Cxx *engine);
    TZqEEPROM93Cxx *Engine() const;

    int ChipType() const;
    int ChipTypeCount() const;
    void SetChipType(int index);
    bool Organisation16() const;
    // Checks the 16-bit or the 8-bit button, as a click on it would.
    void SetOrganisation16(bool on);
    // The chosen type and organisation into the engine.
    void Apply93CxxType();

    TClickablePicture *Image3;
    QComboBox *ComboBox2;
    QRadioButton *RadioButton1;
    QRadioButton *RadioButton2;
    TZqHexView *ZqHexView2;

private:
    QPointer<TZqEEPROM93Cxx> FEngine;
};
