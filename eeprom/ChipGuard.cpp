#include "ChipGuard.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <array>

namespace {
constexpr int kAddressesShown = 4;

constexpr std::array<quint32, 256> MakeCrcTable()
{
    std::array<quint32, 256> table{};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<quint32, 256> kCrcTable = MakeCrcTable();

QString Address(qint64 a)
{
    return QStringLiteral("0x%1").arg(a, 4, 16, QLatin1Char('0')).toUpper().replace("0X", "0x");
}

// The chip's bytes of unit u with the image's present bytes laid over them.
QByteArray Merged(const QByteArray &chip, const ChipImage &image, int from, int to)
{
    QByteArray bytes = chip.mid(from, to - from);
    for (int a = from; a < to; ++a)
        if (image.has(std::uint32_t(a)))
            bytes[a - from] = char(image.at(std::uint32_t(a)));
    return bytes;
}

bool UnitTouched(const ChipImage &image, int from, int to)
{
    for (int a = from; a < to; ++a)
        if (image.has(std::uint32_t(a)))
            return true;
    return false;
}

bool UnitDiffers(const QByteArray &chip, const ChipImage &image, int from, int to)
{
    for (int a = from; a < to; ++a)
        if (image.has(std::uint32_t(a)) && std::uint8_t(chip[a]) != image.at(std::uint32_t(a)))
            return true;
    return false;
}

// Backups sort by time stamp, then by the number a second one of the same
// second got: by name alone "-2.bin" would come before ".bin", and "-10" before "-2".
int BackupNumber(const QString &name, int stem)
{
    const QString rest = name.mid(stem);
    return rest.startsWith(QLatin1Char('-')) ? rest.mid(1).section(QLatin1Char('.'), 0, 0).toInt() : 1;
}

QString BackupAge(const QString &name, int stem)
{
    return name.left(stem) + QStringLiteral("%1").arg(BackupNumber(name, stem), 9, 10, QLatin1Char('0'));
}

// "1 page", "3 pages": plural is the plural name.
QString Counted(qint64 n, const QString &plural)
{
    return QString::number(n) + QLatin1Char(' ') + (n == 1 ? plural.chopped(1) : plural);
}

TProtectedOutcome Stopped(const QString &message)
{
    TProtectedOutcome outcome;
    outcome.message = message;
    return outcome;
}
} // namespace

quint32 Crc32(const QByteArray &bytes)
{
    quint32 c = 0xFFFFFFFFu;
    for (char b : bytes)
        c = kCrcTable[(c ^ std::uint8_t(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

QString Crc32Text(const QByteArray &bytes)
{
    return QStringLiteral("CRC-32 %1").arg(Crc32(bytes), 8, 16, QLatin1Char('0')).toUpper();
}

QString TChangeSummary::Text(const QString &unitName) const
{
    if (nothing())
        return QStringLiteral("nothing to change: the chip already holds these bytes");
    QStringList shown;
    for (qint64 a : firstAddresses)
        shown << Address(a);
    return QStringLiteral("%1 in %2 will change, the first at %3%4")
        .arg(Counted(bytes, QStringLiteral("bytes")), Counted(units, unitName), shown.join(QStringLiteral(", ")),
             bytes > firstAddresses.size() ? QStringLiteral(" …") : QString());
}

TChangeSummary SummarizeChange(const QByteArray &chip, const ChipImage &image, int unitBytes)
{
    TChangeSummary summary;
    qint64 lastUnit = -1;
    for (const ChipImage::Segment &segment : image.segments()) {
        for (int i = 0; i < segment.bytes.size(); ++i) {
            const qint64 a = qint64(segment.address) + i;
            if (a >= chip.size() || chip[qsizetype(a)] == segment.bytes[i])
                continue;
            if (summary.bytes++ < kAddressesShown)
                summary.firstAddresses << a;
            if (a / unitBytes != lastUnit) {
                lastUnit = a / unitBytes;
                ++summary.units;
            }
        }
    }
    return summary;
}

QString DefaultBackupFolder()
{
    // One folder for the window and the command line, whatever each calls itself.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Brindle/backups");
}

QString WriteBackup(const QString &folder, const QString &chipName, const QByteArray &bytes, const QDateTime &when,
                    QString *path, int keep)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("the backup folder %1 cannot be made").arg(folder);
    const QString name = chipName + QLatin1Char('-') + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const int named = int(name.size());
    // An earlier backup of the same second may be the only copy of the chip
    // before both changes; a later one takes a higher number than any kept,
    // so that it sorts as the newest.
    int last = 0;
    for (const QString &same : QDir(folder).entryList({name + QStringLiteral("*.bin")}, QDir::Files))
        last = qMax(last, BackupNumber(same, named));
    const QString file = QDir(folder).filePath(last == 0 ? name + QStringLiteral(".bin")
                                                         : name + QStringLiteral("-%1.bin").arg(last + 1));
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return QStringLiteral("the backup %1 cannot be written: %2").arg(file, out.errorString());
    if (path)
        *path = file;
    // The newest stay.
    QStringList old = QDir(folder).entryList({chipName + QStringLiteral("-*.bin")}, QDir::Files);
    std::sort(old.begin(), old.end(),
              [named](const QString &a, const QString &b) { return BackupAge(a, named) < BackupAge(b, named); });
    for (int i = 0; i + keep < old.size(); ++i)
        QFile::remove(QDir(folder).filePath(old[i]));
    return QString();
}

TUnitWrite WriteWhatDiffers(TZqEEPROMBase &engine, const QByteArray &chip, const ChipImage &image)
{
    TUnitWrite result;
    const int unit = engine.WriteUnitBytes();
    const int end = int(qMin<qint64>(image.end(), chip.size()));
    for (int from = 0; from < end; from += unit) {
        const int to = qMin(from + unit, int(chip.size()));
        if (!UnitDiffers(chip, image, from, to)) {
            result.skipped += UnitTouched(image, from, to) ? 1 : 0;
            continue;
        }
        const QByteArray bytes = Merged(chip, image, from, to);
        engine.WriteBytes(bytes, from);
        if (engine.LastActionBytes() < bytes.size()) {
            result.message =
                QStringLiteral("the write failed at address %1").arg(Address(from + engine.LastActionBytes()));
            return result;
        }
        ++result.written;
    }
    result.ok = true;
    return result;
}

std::optional<QPair<int, QString>> SmallerChip(const QByteArray &dump, const QList<QPair<int, QString>> &names)
{
    if (dump.count(char(0xFF)) == dump.size())
        return std::nullopt;
    for (const auto &[size, name] : names) {
        if (size >= dump.size() || dump.size() % size != 0)
            continue;
        bool repeats = true;
        for (int a = size; repeats && a < dump.size(); a += size)
            repeats = dump.mid(a, size) == dump.left(size);
        if (repeats)
            return QPair<int, QString>(size, name);
    }
    return std::nullopt;
}

QString SmallerChipNote(const QByteArray &dump, const QList<QPair<int, QString>> &names)
{
    const std::optional<QPair<int, QString>> chip = SmallerChip(dump, names);
    return chip ? QStringLiteral("the contents repeat every %1 bytes: probably a %2 (the address wraps)")
                      .arg(chip->first)
                      .arg(chip->second)
                : QString();
}

QString ReadStatus(const TZqEEPROMBase &engine, int bytes, int start, const QList<QPair<int, QString>> &smaller)
{
    const QString problem = engine.LastReadProblem();
    if (bytes <= 0)
        return problem.isEmpty() ? QStringLiteral("nothing read") : problem + QStringLiteral(": nothing read");
    const QByteArray read = engine.EEPROM_BUF().left(bytes);
    QStringList parts{QStringLiteral("%1 bytes read, ").arg(bytes) + Crc32Text(read)};
    if (!problem.isEmpty())
        parts << QStringLiteral("then ") + problem;
    else if (start == 0 && bytes == engine.BufferSize())
        parts << SmallerChipNote(read, smaller);
    parts.removeAll(QString());
    return parts.join(QStringLiteral("; "));
}

ChipImage SwapWordBytes(const ChipImage &image)
{
    ChipImage swapped;
    for (const ChipImage::Segment &segment : image.segments())
        for (int i = 0; i < segment.bytes.size(); ++i)
            swapped.set(std::uint32_t((qint64(segment.address) + i) ^ 1), std::uint8_t(segment.bytes[i]));
    return swapped;
}

bool LooksByteSwapped(const QByteArray &chip, const ChipImage &image)
{
    return !CompareWithImage(chip, image).ok && CompareWithImage(chip, SwapWordBytes(image)).ok;
}

TImageOutcome VerifyWithSwapCheck(TZqEEPROMBase &engine, const ChipImage &image, bool wordSwapCheck, bool *swapped)
{
    TImageOutcome outcome = VerifyChip(engine, image);
    const bool looks = wordSwapCheck && !outcome.ok && outcome.firstAddress >= 0 &&
                       LooksByteSwapped(engine.EEPROM_BUF().left(engine.BufferSize()), image);
    if (looks)
        outcome.message += QStringLiteral("; the file looks byte-swapped");
    if (swapped)
        *swapped = looks;
    return outcome;
}

ChipImage BlankImage(int bytes) { return ChipImage::fromBytes(QByteArray(bytes, char(0xFF))); }

TProtectedOutcome ProtectedWriteImage(TZqEEPROMBase &engine, const ChipImage &image, const TProtectedWrite &how)
{
    if (image.isEmpty())
        return Stopped(QStringLiteral("the image holds no bytes: nothing written"));
    if (image.end() > engine.BufferSize())
        return Stopped(QStringLiteral("the image needs %1 bytes, the chip holds %2 bytes: nothing written")
                           .arg(image.end())
                           .arg(engine.BufferSize()));
    if (!engine.Ready())
        return Stopped(QStringLiteral("no adapter, or another operation runs: nothing done"));
    if (how.busCheck) {
        const QString reason = how.busCheck(image);
        if (!reason.isEmpty() && !(how.overrideBusCheck && how.overrideBusCheck(reason)))
            return Stopped(reason + QStringLiteral(": nothing written"));
    }
    QString error;
    const QByteArray before = ReadWholeChip(engine, error);
    if (!error.isEmpty())
        return Stopped(error.replace(QStringLiteral("compared"), QStringLiteral("written")));
    const QString unitName = engine.WriteUnitBytes() > 2 ? QStringLiteral("pages") : QStringLiteral("words");
    TProtectedOutcome outcome;
    outcome.summary = SummarizeChange(before, image, engine.WriteUnitBytes());
    if (outcome.summary.nothing()) {
        outcome.ok = true;
        outcome.message = outcome.summary.Text(unitName) + QStringLiteral(": nothing written");
        return outcome;
    }
    const QString backupError = WriteBackup(how.backupFolder, how.chipName, before, how.now, &outcome.backupPath);
    if (!backupError.isEmpty())
        return Stopped(backupError + QStringLiteral(": nothing written"));
    const QString change = outcome.summary.Text(unitName);
    const QString question = change + (change.endsWith(QChar(0x2026)) ? QString() : QStringLiteral(".")) +
                             QStringLiteral("\nBackup of the chip: ") + outcome.backupPath;
    if (how.confirm && !how.confirm(question)) {
        outcome.cancelled = true;
        outcome.message = QStringLiteral("cancelled: nothing written (backup %1)").arg(outcome.backupPath);
        return outcome;
    }
    const TUnitWrite written = WriteWhatDiffers(engine, before, image);
    const QString counts =
        QStringLiteral("%1 written, %2 skipped").arg(Counted(written.written, unitName)).arg(written.skipped);
    if (!written.ok) {
        outcome.message = written.message + QStringLiteral(" (") + counts + QStringLiteral(")");
        return outcome;
    }
    if (!how.verify) {
        outcome.ok = true;
        outcome.message = counts + QStringLiteral(", not verified");
        return outcome;
    }
    const QByteArray after = ReadWholeChip(engine, error);
    const TImageOutcome verify = error.isEmpty() ? CompareWithImage(after, image) : TImageOutcome{false, -1, 0, error};
    static_cast<TImageOutcome &>(outcome) = verify;
    outcome.message = counts + QStringLiteral("; ") + verify.message;
    return outcome;
}
