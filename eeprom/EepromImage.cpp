#include "EepromImage.h"

namespace {
QString Address(qint64 a)
{
    return QStringLiteral("0x%1").arg(a, 4, 16, QLatin1Char('0')).toUpper().replace("0X", "0x");
}
QString ByteText(std::uint8_t b) { return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper(); }

TImageOutcome Failure(const QString &message)
{
    TImageOutcome outcome;
    outcome.message = message;
    return outcome;
}

const QString kNotReady = QStringLiteral("no adapter, or another operation runs: nothing done");

QString TooLarge(const ChipImage &image, int chipBytes)
{
    return QStringLiteral("the image needs %1 bytes, the chip holds %2 bytes: nothing written")
        .arg(image.end())
        .arg(chipBytes);
}
} // namespace

QByteArray ReadWholeChip(TZqEEPROMBase &engine, QString &error)
{
    const int size = engine.BufferSize();
    engine.ReadChip();
    const int got = engine.LastActionBytes();
    if (got < size && !engine.LastReadProblem().isEmpty()) {
        error = engine.LastReadProblem() + QStringLiteral(": nothing compared");
        return {};
    }
    if (got < size) {
        error = QStringLiteral("the read stopped after %1 of %2 bytes: nothing compared").arg(got).arg(size);
        return {};
    }
    return engine.EEPROM_BUF().left(size);
}

TImageOutcome CompareWithImage(const QByteArray &chip, const ChipImage &image)
{
    TImageOutcome outcome;
    if (image.end() > chip.size())
        return Failure(
            QStringLiteral("the image needs %1 bytes, the chip holds %2 bytes").arg(image.end()).arg(chip.size()));
    qint64 firstChip = 0;
    for (const ChipImage::Segment &segment : image.segments()) {
        for (int i = 0; i < segment.bytes.size(); ++i) {
            const qint64 a = qint64(segment.address) + i;
            if (chip[qsizetype(a)] == segment.bytes[i])
                continue;
            if (outcome.count++ == 0) {
                outcome.firstAddress = a;
                firstChip = std::uint8_t(chip[qsizetype(a)]);
            }
        }
    }
    outcome.ok = outcome.count == 0;
    outcome.message =
        outcome.ok ? QStringLiteral("verify: all %1 bytes match").arg(image.presentBytes())
                   : QStringLiteral("verify failed: %1 of %2 bytes differ, the first at address %3 (chip %4, file %5)")
                         .arg(outcome.count)
                         .arg(image.presentBytes())
                         .arg(Address(outcome.firstAddress), ByteText(std::uint8_t(firstChip)),
                              ByteText(image.at(std::uint32_t(outcome.firstAddress))));
    return outcome;
}

TImageOutcome CheckBlank(const QByteArray &chip)
{
    TImageOutcome outcome;
    for (int a = 0; a < chip.size(); ++a) {
        if (std::uint8_t(chip[a]) == 0xFF)
            continue;
        if (outcome.count++ == 0)
            outcome.firstAddress = a;
    }
    outcome.ok = outcome.count == 0;
    outcome.message = outcome.ok ? QStringLiteral("the chip is blank: all %1 bytes are FF").arg(chip.size())
                                 : QStringLiteral("the chip is not blank: %1 bytes are not FF, the first at address %2")
                                       .arg(outcome.count)
                                       .arg(Address(outcome.firstAddress));
    return outcome;
}

TImageOutcome WriteImageToChip(TZqEEPROMBase &engine, const ChipImage &image, bool verify)
{
    if (image.isEmpty())
        return Failure(QStringLiteral("the image holds no bytes: nothing written"));
    if (image.end() > engine.BufferSize())
        return Failure(TooLarge(image, engine.BufferSize()));
    if (!engine.Ready())
        return Failure(kNotReady);
    qint64 written = 0;
    for (const ChipImage::Segment &segment : image.segments()) {
        engine.WriteBytes(segment.bytes, int(segment.address));
        const int done = engine.LastActionBytes();
        written += done;
        if (done < segment.bytes.size())
            return Failure(QStringLiteral("the write failed at address %1 after %2 of %3 bytes")
                               .arg(Address(qint64(segment.address) + done))
                               .arg(written)
                               .arg(image.presentBytes()));
    }
    if (!verify) {
        TImageOutcome outcome;
        outcome.ok = true;
        outcome.message = QStringLiteral("%1 bytes written, not verified").arg(written);
        return outcome;
    }
    TImageOutcome outcome = VerifyChip(engine, image);
    outcome.message = QStringLiteral("%1 bytes written; ").arg(written) + outcome.message;
    return outcome;
}

TImageOutcome VerifyChip(TZqEEPROMBase &engine, const ChipImage &image)
{
    if (image.isEmpty())
        return Failure(QStringLiteral("the image holds no bytes: nothing compared"));
    if (image.end() > engine.BufferSize())
        return Failure(QStringLiteral("the image needs %1 bytes, the chip holds %2 bytes: nothing compared")
                           .arg(image.end())
                           .arg(engine.BufferSize()));
    if (!engine.Ready())
        return Failure(kNotReady);
    QString error;
    const QByteArray chip = ReadWholeChip(engine, error);
    return error.isEmpty() ? CompareWithImage(chip, image) : Failure(error);
}

TImageOutcome BlankCheckChip(TZqEEPROMBase &engine)
{
    if (!engine.Ready())
        return Failure(kNotReady);
    QString error;
    const QByteArray chip = ReadWholeChip(engine, error);
    return error.isEmpty() ? CheckBlank(chip) : Failure(error.replace("compared", "checked"));
}
