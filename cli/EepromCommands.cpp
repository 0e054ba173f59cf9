#include "EepromCommands.h"

#include "ChipChange.h"
#include "ChipGuard.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "DumpColumns.h"
#include "EepromImage.h"
#include "I2cAddress.h"
#include "ImageFile.h"
#include "StandardStreams.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqEEPROM93Cxx.h"

#include <QFile>
#include <QJsonObject>
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
            int deviceByte = 0;
            QString error;
            if (!EepromDeviceByte(options.value("addr-i2c"), deviceByte, error)) {
                CliSession::Error(error);
                return nullptr;
            }
            engine->SetAddrI2C(QString::number(deviceByte, 16));
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

QString ChipStep(TZqEEPROMBase &engine, const ChipRow &chip)
{
    const QString name = UpperName(chip);
    if (auto *e24 = dynamic_cast<TZqEEPROM24Cxx *>(&engine)) {
        const int first = e24->DeviceByte(0);
        const int last = e24->DeviceByte(chip.bytes - 1);
        return QStringLiteral("%1: %2 bytes at %3, read %4 bytes a request at %5 kHz")
            .arg(name)
            .arg(chip.bytes)
            .arg(first == last ? I2cAddressText(first)
                               : QStringLiteral("%1 to %2").arg(I2cAddressText(first), I2cAddressText(last)))
            .arg(e24->BlockSize())
            .arg(e24->I2C_BitrateKhz());
    }
    auto &e93 = static_cast<TZqEEPROM93Cxx &>(engine);
    return QStringLiteral("%1: %2 bytes in %3-bit words")
        .arg(name)
        .arg(chip.bytes)
        .arg(e93.EepromOrganisation() == TZqEEPROM93Cxx::eo8_bit ? 8 : 16);
}

QString PassStep(TEepromAction action, const ChipRow &chip)
{
    const char *const verbs[] = {"reading", "writing", "erasing"};
    return QStringLiteral("%1 the %2").arg(QLatin1String(verbs[action]), UpperName(chip));
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

bool CheckedImage(const CliOptions &options, const ImageParseResult &parsed, ImageFormat forced, const QString &name,
                  ChipImage &image)
{
    if (!parsed.ok) {
        CliSession::Error(QStringLiteral("-i %1: %2").arg(name, parsed.error));
        return false;
    }
    if (options.has("format") && parsed.format != forced) {
        CliSession::Error(
            QStringLiteral("-i %1 is %2, not %3").arg(name, formatName(parsed.format), formatName(forced)));
        return false;
    }
    image = parsed.image;
    return true;
}

// The image in bytes read from name: -f raw takes them as they are, -f ihex
// or srec refuses another format, no -f goes by their content.
bool ImageFromBytes(const CliOptions &options, const QByteArray &bytes, const QString &name, ChipImage &image)
{
    ImageFormat forced = ImageFormat::Raw;
    if (!FormatOption(options, forced))
        return false;
    if (options.has("format") && forced == ImageFormat::Raw) {
        image = ChipImage::fromBytes(bytes);
        return true;
    }
    return CheckedImage(options, parseImage(bytes), forced, name, image);
}

// Standard input, read to the file size limit and one byte more.
bool LoadStandardInput(const CliOptions &options, ChipImage &image)
{
    QByteArray bytes;
    QString error;
    if (!ReadStandardInput(kMaxImageFileBytes, bytes, error)) {
        CliSession::Error(QStringLiteral("-i -: standard input cannot be read: %1").arg(error));
        return false;
    }
    if (bytes.size() > kMaxImageFileBytes) {
        CliSession::Error(QStringLiteral("-i -: standard input holds more than %1 bytes").arg(kMaxImageFileBytes));
        return false;
    }
    if (bytes.isEmpty()) {
        CliSession::Error(QStringLiteral("-i -: standard input is empty"));
        return false;
    }
    return ImageFromBytes(options, bytes, QStringLiteral("standard input"), image);
}

QString InputName(const CliOptions &options)
{
    const QString path = options.value("input");
    return IsStandardInput(path) ? QStringLiteral("standard input") : path;
}

// The image in the -i file or on standard input; -f raw takes any file as
// plain bytes, -f ihex or srec refuses a file of another format.
bool LoadInput(const CliOptions &options, ChipImage &image)
{
    const QString path = options.value("input");
    if (path.isEmpty()) {
        CliSession::Error(QStringLiteral("-i FILE is needed (-i - reads standard input)"));
        return false;
    }
    if (IsStandardInput(path))
        return LoadStandardInput(options, image);
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
    return CheckedImage(options, loadImageFile(path, kMaxImageFileBytes), forced, path, image);
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

// Where eeprom read's bytes go.
struct TReadOutput {
    enum {
        Dump,
        File,
        Stream,
        Nowhere
    } kind = Dump; // Nowhere: --json alone
    ImageFormat format = ImageFormat::Raw;
    QString path;
};

// -o FILE, -o - or -f alone: standard output in that format; neither: the
// hex dump, or only the JSON summary with --json.
bool ReadOutputOptions(const CliOptions &options, TReadOutput &output)
{
    output.path = options.value("output");
    output.format = formatForFileName(output.path);
    if (!FormatOption(options, output.format))
        return false;
    if (options.has("output") && output.path.isEmpty()) {
        CliSession::Error(QStringLiteral("-o needs a file name, or - for standard output"));
        return false;
    }
    if (options.has("output"))
        output.kind = IsStandardOutput(output.path) ? TReadOutput::Stream : TReadOutput::File;
    else
        output.kind = options.has("format") ? TReadOutput::Stream
                      : options.has("json") ? TReadOutput::Nowhere
                                            : TReadOutput::Dump;
    if (output.kind == TReadOutput::Stream && options.has("json")) {
        CliSession::Error(
            QStringLiteral("--json prints its object on standard output: give the bytes a file, -o FILE"));
        return false;
    }
    if (output.kind == TReadOutput::Stream && output.format == ImageFormat::Raw && StandardOutputIsTerminal()) {
        CliSession::Error(QStringLiteral("raw bytes are not written to a terminal: send standard output to a file or "
                                         "a pipe, or give -f ihex or -f srec"));
        return false;
    }
    return true;
}

bool SaveRead(const CliSession &session, const ChipImage &image, const TReadOutput &output)
{
    const QString where = output.kind == TReadOutput::Stream ? QStringLiteral("standard output") : output.path;
    session.Step(
        QStringLiteral("writing %1 bytes to %2 (%3)").arg(image.presentBytes()).arg(where, formatName(output.format)));
    QString error;
    const bool saved = output.kind == TReadOutput::Stream
                           ? WriteStandardOutput(formatImage(image, output.format), error)
                           : saveImageFile(output.path, image, output.format, &error);
    if (!saved)
        CliSession::Error(
            QStringLiteral("-o %1: %2").arg(output.kind == TReadOutput::Stream ? "-" : output.path, error));
    return saved;
}

QJsonObject ReadSummary(const ChipRow &chip, const TRange &range, const QByteArray &bytes, const QString &smaller,
                        const TReadOutput &output)
{
    QJsonObject summary{{"chip", QLatin1String(chip.name)},
                        {"start", range.start},
                        {"count", int(bytes.size())},
                        {"crc32", QStringLiteral("%1").arg(Crc32(bytes), 8, 16, QLatin1Char('0')).toUpper()},
                        {"smaller_chip", smaller.isEmpty() ? QJsonValue() : QJsonValue(smaller)}};
    if (output.kind == TReadOutput::File) {
        summary.insert("file", output.path);
        summary.insert("format", formatName(output.format));
    }
    return summary;
}

int Read(CliSession &session, TZqEEPROMBase &engine, const ChipRow &chip)
{
    const CliOptions &options = session.Options();
    TRange range;
    TReadOutput output;
    if (!RangeOptions(options, engine.BufferSize(), range) || !ReadOutputOptions(options, output))
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
    const bool whole = bytes.size() == engine.BufferSize();
    // The checksum is of what goes out, the whole chip or the range asked for.
    session.Note(whole ? ReadStatus(engine, engine.BufferSize(), 0, SmallerTypes(chip))
                       : QStringLiteral("%1 bytes read, ").arg(bytes.size()) + Crc32Text(bytes));
    if (output.kind == TReadOutput::Dump) {
        std::fputs(DumpColumns::PlainDump(bytes, quint32(range.start)).toUtf8().constData(), stdout);
        return ceDone;
    }
    ChipImage image;
    for (int i = 0; i < bytes.size(); ++i)
        image.set(std::uint32_t(range.start + i), std::uint8_t(bytes.at(i)));
    if (output.kind != TReadOutput::Nowhere) {
        if (!SaveRead(session, image, output))
            return ceFailed;
        session.Note(QStringLiteral("read %1 bytes of the %2 into %3 (%4)")
                         .arg(bytes.size())
                         .arg(QLatin1String(chip.name),
                              output.kind == TReadOutput::Stream ? QStringLiteral("standard output") : output.path,
                              formatName(output.format)));
    }
    if (options.has("json")) {
        const std::optional<QPair<int, QString>> smaller =
            whole ? SmallerChip(bytes, SmallerTypes(chip)) : std::nullopt;
        PrintJson(ReadSummary(chip, range, bytes, smaller ? smaller->second : QString(), output));
    }
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
    session.Step(ChipStep(*engine, *chip));
    CliProgress progress(options.quiet, engine->BufferSize());
    // A pass starts when the action changes or its percentage starts over (the read back after a write).
    TEepromAction lastAction = eaRead;
    int lastPercent = 101;
    engine->OnProgress = [&](QObject *, TEepromAction action, int percent) {
        if (action != lastAction || percent < lastPercent)
            session.Step(PassStep(action, *chip));
        lastAction = action;
        lastPercent = percent;
        progress.Show(action, percent);
    };
    if (action == QLatin1String("read"))
        return Read(session, *engine, *chip);
    ChipImage image;
    if (action == QLatin1String("write") || action == QLatin1String("verify")) {
        if (!LoadInput(options, image))
            return ceUsage;
        session.Step(QStringLiteral("%1 bytes from %2").arg(image.presentBytes()).arg(InputName(options)));
    }
    if (!CheckChangeOptions(session))
        return ceUsage;
    TZqLibUSB *link = session.Link();
    if (!link)
        return ceNoAdapter;
    engine->SetZqLibUSB(link);
    const QString name = QLatin1String(chip->name);
    const QString file = InputName(options);
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
