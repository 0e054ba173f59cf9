#include "SimState.h"

#include "Eeprom24Cxx.h"
#include "Eeprom93Cxx.h"

#include <QList>
#include <functional>

namespace sim {
namespace {
const QByteArray kHeader = "Brindle simulator state 1";

bool isHex(const QByteArray &text)
{
    return text.size() % 2 == 0 &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// "part HEX" with a memory of exactly the part's size.
QString readMemory(const QList<QByteArray> &fields, const std::function<int(const QString &)> &sizeOf,
                   std::optional<ChipMemory> &target)
{
    if (fields.size() != 3)
        return QStringLiteral("expected a part and its memory");
    const QString part = QString::fromLatin1(fields[1]).toLower();
    const int size = sizeOf(part);
    if (size <= 0)
        return QStringLiteral("unknown part \"%1\"").arg(part);
    if (!isHex(fields[2]) || fields[2].size() != 2 * size)
        return QStringLiteral("the memory of a %1 is %2 bytes in hex").arg(part).arg(size);
    target = ChipMemory{part, QByteArray::fromHex(fields[2])};
    return {};
}

int size24(const QString &part)
{
    const auto type = eeprom24TypeFromName(part);
    return type ? eeprom24Variant(*type).size : 0;
}

int size93(const QString &part)
{
    const auto type = eeprom93TypeFromName(part);
    return type ? eeprom93Variant(*type).bytes : 0;
}

QString readLine(const QList<QByteArray> &fields, SimState &state)
{
    const QByteArray &key = fields[0];
    if (key == "24cxx")
        return state.eeprom24 ? QStringLiteral("24cxx twice") : readMemory(fields, size24, state.eeprom24);
    if (key == "93cxx")
        return state.eeprom93 ? QStringLiteral("93cxx twice") : readMemory(fields, size93, state.eeprom93);
    if (key == "pcf8583-ram") {
        if (state.rtcRam || fields.size() != 2 || !isHex(fields[1]) || fields[1].size() != 2 * SimState::RtcRamSize)
            return QStringLiteral("pcf8583-ram is once %1 bytes in hex").arg(SimState::RtcRamSize);
        state.rtcRam = QByteArray::fromHex(fields[1]);
        return {};
    }
    if (key == "clock-offset-ms") {
        bool ok = false;
        const qint64 offset = fields.size() == 2 ? fields[1].toLongLong(&ok) : 0;
        if (!ok || state.clockOffsetMs)
            return QStringLiteral("clock-offset-ms is once a whole number");
        state.clockOffsetMs = offset;
        return {};
    }
    return QStringLiteral("unknown entry \"%1\"").arg(QString::fromLatin1(key.left(40)));
}
} // namespace

QByteArray SimState::toText() const
{
    QByteArray text = kHeader + '\n';
    if (eeprom24)
        text += "24cxx " + eeprom24->part.toLatin1() + ' ' + eeprom24->bytes.toHex().toUpper() + '\n';
    if (eeprom93)
        text += "93cxx " + eeprom93->part.toLatin1() + ' ' + eeprom93->bytes.toHex().toUpper() + '\n';
    if (rtcRam)
        text += "pcf8583-ram " + rtcRam->toHex().toUpper() + '\n';
    if (clockOffsetMs)
        text += "clock-offset-ms " + QByteArray::number(*clockOffsetMs) + '\n';
    return text;
}

std::optional<SimState> SimState::fromText(const QByteArray &text, QString &error)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines[0].trimmed() != kHeader) {
        error = QStringLiteral("it does not begin with \"%1\"").arg(QString::fromLatin1(kHeader));
        return std::nullopt;
    }
    SimState state;
    for (int i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields[0].isEmpty())
            continue;
        error = readLine(fields, state);
        if (!error.isEmpty()) {
            error = QStringLiteral("line %1: %2").arg(i + 1).arg(error);
            return std::nullopt;
        }
    }
    return state;
}

} // namespace sim
