#include "EepromCommands.h"

#include "ChipChange.h"
#include "ChipGuard.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "DumpColumns.h"
#include "EepromImage.h"
#include "ImageFile.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqEEPROM93Cxx.h"

#include <QFile>
#include <cstdio>
#include <memory>

namespace {

struct ChipRow {
    const char *name;
    bool i2c;
    int type; // the engine's TEepromType
    int bytes;
};

const ChipRow kChips[] = {
    {"24c02", true, TZqEEPROM24Cxx::et24c02, 256},    {"24c04", true, TZqEEPROM24Cxx::et24c04, 512},
    {"24c08", true, TZqEEPROM24Cxx::et24c08, 1024},   {"24c16", true, TZqEEPROM24Cxx::et24c16, 2048},
    {"93c46", false, TZqEEPROM93Cxx::et93c46, 128},   {"93c56", false, TZqEEPROM93Cxx::et93c56, 256},
    {"93c66", false, TZqEEPROM93Cxx::et93c66, 512},   {"93c76", false, TZqEEPROM93Cxx::et93c76, 1024},
    {"93c86", false, TZqEEPROM93Cxx::et93c86, 2048},
};

QString UpperName(const ChipRow &chip) { return QString::fromLatin1(chip.name).toUpper(); }

// The smaller chips of the family, which a whole-chip read may turn out to be.
QList<QPair<int, QString>> SmallerTypes(const ChipRow &chip)
{
    QList<QPair<int, QString>> types;
    for (const ChipRow &row : kChips)
        if (row.i2c == chip.i2c && row.bytes < chip.bytes)
            types.append({row.bytes, UpperName(row)});
    return types;
}

const ChipRow *FindChip(const QString &name)
{
    for (const ChipRow &row : kChips)
        if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0)
            return &row;
    return nullptr;
}

// Options that belong to the other family are usage errors, not ignored.
bool CheckFamilyOptions(const CliOptions &options, const ChipRow &chip)
{
    const QStringList foreign = chip.i2c ? QStringList{"org"} : QStringList{"addr-i2c", "block", "khz"};
    for (const QString &name : foreign)
        if (options.has(name)) {
            CliSession::Error(QStringLiteral("--%1 does not apply to a %2").arg(name, QLatin1String(chip.name)));
            return false;
        }
    return true;
}

std::unique_ptr<TZqEEPROMBase> MakeEngine(const CliOptions &options, const ChipRow &chip)
{
    if (chip.i2c) {
        int block = TZqEEPROM24Cxx::DefaultBlockSize;
        int khz = 100;
        if (!IntOption(options, "block", 1, TZqEEPROM24Cxx::MaxBlockSize, block) ||
            !IntOption(options, "khz", 5, 900, khz))
            return nullptr;
        auto engine = std::make_unique<TZqEEPROM24Cxx>();
        if (options.has("addr-i2c")) {
            bool ok = false;
            const int address = options.value("addr-i2c").remove(QLatin1Char('$')).toInt(&ok, 16);
            if (!ok || address < 0 || address > 0xFF || (address & 1)) {
                CliSession::Error(QStringLiteral("--addr-i2c must be an even hex byte such as A0, not '%1'")
                                      .arg(options.value("addr-i2c")));
                return nullptr;
            }
            engine->SetAddrI2C(QString::number(address, 16));
        }
        engine->SetEepromType(TZqEEPROM24Cxx::TEepromType(chip.type));
        engine->SetBlockSize(block);
        engine->SetI2C_BitrateKhz(khz);
        return engine;
    }
    int org = 16;
    if (!IntOption(options, "org", 8, 16, org))
        return nullptr;
    if (org != 8 && org != 16) {
        CliSession::Error(QStringLiteral("--org must be 8 or 16, not '%1'").arg(options.value("org")));
        return nullptr;
    }
    auto engine = std::make_unique<TZqEEPROM93Cxx>();
    engine->SetEepromType(TZqEEPROM93Cxx::TEepromType(chip.type));
    engine->SetEepromOrganisation(org == 8 ? TZqEEPROM93Cxx::eo8_bit : TZqEEPROM93Cxx::eo16_bit);
    return engine;
}

bool FormatOption(const CliOptions &options, ImageFormat &format)
{
    static const QMap<QString, ImageFormat> names = {
        {"raw", ImageFormat::Raw}, {"ihex", ImageFormat::IntelHex}, {"srec", ImageFormat::SRecord}};
    if (!options.has("format"))
        return true;
    const QString name = options.value("format").toLower();
    if (!names.contains(name)) {
        CliSession::Error(QStringLiteral("-f must be raw, ihex or srec, not '%1'").arg(options.value("format")));
        return false;
    }
    format = names.value(name);
    return true;
}

// The image in the -i file; -f raw takes any file as plain bytes, -f ihex or
// srec refuses a file of another format.
bool LoadInput(const CliOptions &options, ChipImage &image)
{
    const QString path = options.value("input");
    if (path.isEmpty()) {
        CliSession::Error(QStringLiteral("-i FILE is needed"));
        return false;
    }
    ImageFormat forced = ImageFormat::Raw;
    if (!FormatOption(options, forced))
        return false;
    if (!QFile::exists(path)) {
        CliSession::Error(QStringLiteral("-i %1: no such file").arg(path));
        return false;
    }
    if (options.has("format") && forced == ImageFormat::Raw) {
        QFile file(path);
        if (file.size() > kMaxImageFileBytes || !file.open(QIODevice::ReadOnly)) {
            CliSession::Error(QStringLiteral("-i %1: cannot be read").arg(path));
            return false;
        }
        image = ChipImage::fromBytes(file.readAll());
        return true;
    }
    const ImageParseResult parsed = loadImageFile(path, kMaxImageFileBytes);
    if (!parsed.ok) {
        CliSession::Error(QStringLiteral("-i %1: %2").arg(path, parsed.error));
        return false;
    }
    if (options.has("format") && parsed.format != forced) {
        CliSession::Error(QStringLiteral("-i %1 is %2, not %3").arg(path, formatName(parsed.format), formatName(forced)));
        return false;
    }
    image = parsed.image;
    return true;
}

struct TRange {
    int start = 0;
    int count = 0;
};

bool RangeOptions(const CliOptions &options, int size, TRange &range)
{
    range = {0, size};
    if (!IntOption(options, "start", 0, size - 1, range.start))
        return false;
    range.count = size - range.start;
    if (!IntOption(options, "count", 1, size - range.start, range.count))
        return false;
    return true;
}

int Outcome(const CliSession &session, const TImageOutcome &outcome, const QString &done)
{
    if (outcome.ok) {
        session.Note(done);
        return ceDone;
    }
    QString text = outcome.message;
    if (outcome.firstAddress >= 0)
        text += QStringLiteral(" (first at 0x%1, %2 bytes)").arg(outcome.firstAddress, 0, 16).arg(outcome.count);
    CliSession::Error(text);
    return ceFailed;
}

int Read(CliSession &session, TZqEEPROMBase &engine, const ChipRow &chip)
{
    const CliOptions &options = session.Options();
    TRange range;
    ImageFormat format = formatForFileName(options.value("output"));
    if (!RangeOptions(options, engine.BufferSize(), range) || !FormatOption(options, format))
        return ceUsage;
    TZqLibUSB *link = session.Link();
    if (!link)
        return ceNoAdapter;
    engine.SetZqLibUSB(link);
    engine.ReadChip();
    if (engine.LastActionBytes() != engine.BufferSize()) {
        const QString problem = engine.LastReadProblem();
        CliSession::Error(QStringLiteral("the read failed after %1 of %2 bytes%3")
                              .arg(engine.LastActionBytes())
                              .arg(engine.BufferSize())
                              .arg(problem.isEmpty() ? QString() : QStringLiteral(": ") + problem));
        return ceFailed;
    }
    const QByteArray bytes = engine.EEPROM_BUF().mid(range.start, range.count);
    // The checksum is of what goes out, the whole chip or the range asked for.
    session.Note(bytes.size() == engine.BufferSize()
                     ? ReadStatus(engine, engine.BufferSize(), 0, SmallerTypes(chip))
                     : QStringLiteral("%1 bytes read, ").arg(bytes.size()) + Crc32Text(bytes));
    if (!options.has("output")) {
        std::fputs(DumpColumns::PlainDump(bytes, quint32(range.start)).toUtf8().constData(), stdout);
        return ceDone;
    }
    ChipImage image;
    for (int i = 0; i < bytes.size(); ++i)
        image.set(std::uint32_t(range.start + i), std::uint8_t(bytes.at(i)));
    QString error;
    if (!saveImageFile(options.value("output"), image, format, &error)) {
        CliSession::Error(QStringLiteral("-o %1: %2").arg(options.value("output"), error));
        return ceFailed;
    }
    session.Note(QStringLiteral("read %1 bytes of the %2 into %3 (%4)")
                     .arg(bytes.size())
                     .arg(QLatin1String(chip.name), options.value("output"), formatName(format)));
    return ceDone;
}

} // namespace

int RunEepromCommand(CliSession &session)
{
    const CliOptions &options = session.Options();
    const QString action = options.words.at(1);
    if (!options.has("chip")) {
        CliSession::Error(QStringLiteral("-c CHIP is needed (24c02..24c16, 93c46..93c86)"));
        return ceUsage;
    }
    const ChipRow *chip = FindChip(options.value("chip"));
    if (!chip) {
        CliSession::Error(QStringLiteral("-c: unknown chip '%1' (24c02..24c16, 93c46..93c86)").arg(options.value("chip")));
        return ceUsage;
    }
    if (!CheckFamilyOptions(options, *chip))
        return ceUsage;
    std::unique_ptr<TZqEEPROMBase> engine = MakeEngine(options, *chip);
    if (!engine)
        return ceUsage;
    CliProgress progress(options.quiet, engine->BufferSize());
    engine->OnProgress = [&progress](QObject *, TEepromAction action, int percent) { progress.Show(action, percent); };
    if (action == QLatin1String("read"))
        return Read(session, *engine, *chip);
    ChipImage image;
    if ((action == QLatin1String("write") || action == QLatin1String("verify")) && !LoadInput(options, image))
        return ceUsage;
    if (!CheckChangeOptions(session))
        return ceUsage;
    TZqLibUSB *link = session.Link();
    if (!link)
        return ceNoAdapter;
    engine->SetZqLibUSB(link);
    const QString name = QLatin1String(chip->name);
    const QString file = options.value("input");
    const QString verified = options.has("no-verify") ? QString() : QStringLiteral(", verified");
    TChipChange change{UpperName(*chip), QStringLiteral("Write"), QString(),
                       chip->i2c ? static_cast<TZqEEPROM24Cxx *>(engine.get()) : nullptr};
    if (action == QLatin1String("write")) {
        change.done = QStringLiteral("wrote %1 bytes of %2 to the %3%4").arg(image.presentBytes()).arg(file, name, verified);
        return ChangeChip(session, *engine, image, change);
    }
    if (action == QLatin1String("verify"))
        return Outcome(session, VerifyChip(*engine, image),
                       QStringLiteral("the %1 matches %2 (%3 bytes)").arg(name, file).arg(image.presentBytes()));
    if (action == QLatin1String("erase")) {
        change.verb = QStringLiteral("Erase");
        change.done = QStringLiteral("erased the %1%2").arg(name, verified);
        return ChangeChip(session, *engine, BlankImage(engine->BufferSize()), change);
    }
    return Outcome(session, BlankCheckChip(*engine), QStringLiteral("the %1 is blank").arg(name));
}
