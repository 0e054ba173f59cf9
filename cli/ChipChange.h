#pragma once
// eeprom write and erase: the chip read and backed up first, the change
// summarised and confirmed (asked on a terminal, otherwise --yes), only the
// pages or words that differ written, then verified. On a 24Cxx a running
// clock sharing the chip's device bytes stops it unless --ignore-clock.
#include "ChipImage.h"

#include <QString>

class CliSession;
class TZqEEPROMBase;
class TZqEEPROM24Cxx;

struct TChipChange {
    QString chipName; // "24C16", as the backup file is named
    QString verb;     // "Write", "Erase": the question's word
    QString done;     // said when it went well
    // Set for a 24Cxx: the bus is checked for a running clock.
    TZqEEPROM24Cxx *i2cEngine = nullptr;
};

// False with the reason said when --backup-dir is given empty.
bool CheckChangeOptions(const CliSession &session);
int ChangeChip(CliSession &session, TZqEEPROMBase &engine, const ChipImage &image, const TChipChange &change);
