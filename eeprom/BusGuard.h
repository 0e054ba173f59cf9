#pragma once
// What else sits on the I2C bus. A 24C16 (or a 24C08/24C04 with low address
// pins) answers at device bytes that a PCF8583 shares (A0/A2); acknowledges
// cannot tell the two apart, but only a running clock changes its bytes by
// itself. Read-only: nothing here writes to a chip.
#include "ChipImage.h"
#include "ZqEEPROM24Cxx.h"

#include <QList>
#include <QString>
#include <functional>

// Every device byte (write form, 08..EE) that answers a one-byte read.
QList<int> ScanI2cBus(TZqLibUSB *link);
// "devices on the bus: 78 A2 A8 AA D0", or that none answered.
QString BusScanText(const QList<int> &deviceBytes);

// The device bytes the engine's chip uses for addresses from..to-1.
QList<int> DeviceBytesOfRange(const TZqEEPROM24Cxx &engine, int from, int to);

// The device bytes a PCF8583 can answer at (its A0 pin low or high).
bool ClockMayAnswerAt(int deviceByte);

// Before a write or erase of addresses from..to-1: for every device byte of
// that range a clock may share, reads the first bytes of its block at the
// start, after waitMs/2 and after waitMs (wait must let the time it is given
// pass). Bytes that moved: the reason, naming the chip and the clock;
// otherwise empty. Both chips drive the same open-drain line, so the clock's
// bits show only where the EEPROM's bytes hold ones: an EEPROM whose block
// starts with 00 bytes hides the clock. A stopped clock (control bit 7)
// holds still like memory and is not found either; the backup made before
// the write still holds its registers.
QString RunningClockInRange(const TZqEEPROM24Cxx &engine, const QString &chipName, int from, int to,
                            const std::function<void(int ms)> &wait, int waitMs = 1000);
// The same over the addresses a write of image spans; empty for an empty image.
QString RunningClockUnderImage(const TZqEEPROM24Cxx &engine, const QString &chipName, const ChipImage &image,
                               const std::function<void(int ms)> &wait);
