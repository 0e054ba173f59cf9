#pragma once
// Chip images on an engine: write an image and prove it, verify a chip
// against one, check that a chip is blank. Each call runs to its end and
// says what it found; a request that failed is never reported as success.
// Byte addresses are those of EEPROM_BUF (for a 93Cxx in 16-bit
// organisation the high byte of word w at 2w).
#include "ChipImage.h"
#include "ZqEEPROMCommon.h"

#include <QString>

struct TImageOutcome {
    bool ok = false;
    // The first differing (or, for a blank check, non-FF) address and how
    // many such bytes there are; -1 and 0 where nothing was compared.
    qint64 firstAddress = -1;
    qint64 count = 0;
    QString message;
};

// The image's present bytes against chip (the chip's bytes from address 0).
// The whole chip, or an empty array and the reason when the read fell short
// (the engine's own, such as "no device at A8", where it gave one).
QByteArray ReadWholeChip(TZqEEPROMBase &engine, QString &error);

TImageOutcome CompareWithImage(const QByteArray &chip, const ChipImage &image);
TImageOutcome CheckBlank(const QByteArray &chip);

// Refuses an image that ends past the chip, naming both sizes; writes only
// the image's segments, then, if verify, reads the chip back and compares.
TImageOutcome WriteImageToChip(TZqEEPROMBase &engine, const ChipImage &image, bool verify);
TImageOutcome VerifyChip(TZqEEPROMBase &engine, const ChipImage &image);
TImageOutcome BlankCheckChip(TZqEEPROMBase &engine);
