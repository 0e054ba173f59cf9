#pragma once
// What stands between the user and a lost chip: checksums of what was read,
// a backup of the chip before any change, a summary of what a write would
// change, writes of only the pages (24Cxx) or words (93Cxx) that differ,
// and reads that look like a smaller chip or a byte-swapped file. QtCore
// only, so the window and the command line decide alike.
#include "ChipImage.h"
#include "EepromImage.h"
#include "ZqEEPROMCommon.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

// CRC-32 as zip and PNG compute it (IEEE 802.3, reflected, 0xEDB88320).
quint32 Crc32(const QByteArray &bytes);
// "CRC-32 1A2B3C4D"
QString Crc32Text(const QByteArray &bytes);

struct TChangeSummary {
    qint64 bytes = 0;
    int units = 0;
    // The first few differing addresses, lowest first.
    QList<qint64> firstAddresses;
    bool nothing() const { return bytes == 0; }
    // "12 bytes in 2 pages will change, first at 0x0010, 0x0011 ..."
    QString Text(const QString &unitName) const;
};
// What writing image over chip would change, counted in units of unitBytes.
TChangeSummary SummarizeChange(const QByteArray &chip, const ChipImage &image, int unitBytes);

// The user's backup folder, the window's and the command line's: <data>/Brindle/backups.
QString DefaultBackupFolder();
// Saves bytes as <chipName>-<yyyyMMdd-HHmmss>.bin in folder (made if need
// be; a second backup in the same second gets -2, -3 ...), then keeps only the newest keep files of that chip. Empty on
// success, otherwise the reason; path gets the file written.
QString WriteBackup(const QString &folder, const QString &chipName, const QByteArray &bytes, const QDateTime &when,
                    QString *path = nullptr, int keep = 100);

struct TUnitWrite {
    bool ok = false;
    int written = 0;
    int skipped = 0;
    QString message;
};
// Writes the units of image whose bytes differ from chip (the chip's
// content before), each as a whole unit, bytes the image leaves out taken
// from chip; unchanged units get no request.
TUnitWrite WriteWhatDiffers(TZqEEPROMBase &engine, const QByteArray &chip, const ChipImage &image);

// After a full read: a dump that repeats every 2^k bytes and is not blank
// came from a smaller chip whose address wraps. names: chip name by size
// (smaller sizes only are looked at). Empty when nothing is suspicious.
QString SmallerChipNote(const QByteArray &dump, const QList<QPair<int, QString>> &names);
// The same as the smaller chip's size and name.
std::optional<QPair<int, QString>> SmallerChip(const QByteArray &dump, const QList<QPair<int, QString>> &names);

// The status after a read of bytes from start: the CRC-32 of what was read,
// for a whole-chip read the smaller-chip note (see SmallerChipNote), and the
// engine's reason when a chip did not answer.
QString ReadStatus(const TZqEEPROMBase &engine, int bytes, int start, const QList<QPair<int, QString>> &smaller);

// The image with the two bytes of every word swapped matches chip.
bool LooksByteSwapped(const QByteArray &chip, const ChipImage &image);
ChipImage SwapWordBytes(const ChipImage &image);
// VerifyChip; on a failure that the swapped image would pass (looked at only
// with wordSwapCheck: a 93Cxx in 16-bit organisation) the message says the
// file looks byte-swapped and swapped is set.
TImageOutcome VerifyWithSwapCheck(TZqEEPROMBase &engine, const ChipImage &image, bool wordSwapCheck, bool *swapped);

// The whole protected write: read the chip, summarize, stop when nothing
// would change, back up (a backup that fails stops), ask confirm, write only
// what differs, verify.
struct TProtectedWrite {
    QString chipName;
    QString backupFolder;
    QDateTime now;
    // Read the chip back and compare after writing.
    bool verify = true;
    // Shown the summary; false cancels.
    std::function<bool(const QString &summary)> confirm;
    // Asked before the chip is read: a reason not to touch it (a running
    // clock shares its addresses); empty goes on.
    std::function<QString(const ChipImage &image)> busCheck;
    // Shown that reason; true goes on all the same.
    std::function<bool(const QString &reason)> overrideBusCheck;
};
struct TProtectedOutcome : TImageOutcome {
    bool cancelled = false;
    QString backupPath;
    TChangeSummary summary;
};
// Every byte of a chip of bytes bytes erased (FF): an erase is the write of it.
ChipImage BlankImage(int bytes);
TProtectedOutcome ProtectedWriteImage(TZqEEPROMBase &engine, const ChipImage &image, const TProtectedWrite &how);
