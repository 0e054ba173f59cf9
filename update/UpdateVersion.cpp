#include "UpdateVersion.h"

#include <QStringList>

namespace {

constexpr int kMaxPartDigits = 5;
constexpr uint kMaxPart = 65535;

// Only ASCII digits: QChar::isDigit() would let other scripts' digits in.
std::optional<quint16> ParsePart(const QString &part)
{
    if (part.isEmpty() || part.size() > kMaxPartDigits)
        return std::nullopt;
    uint value = 0;
    for (const QChar ch : part) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + uint(ch.unicode() - '0');
    }
    if (value > kMaxPart)
        return std::nullopt;
    return quint16(value);
}

} // namespace

std::optional<TVersionNumber> ParseVersion(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    TVersionNumber version{};
    if (parts.size() > int(version.size()))
        return std::nullopt;
    for (int i = 0; i < parts.size(); ++i) {
        const std::optional<quint16> part = ParsePart(parts[i]);
        if (!part)
            return std::nullopt;
        version[size_t(i)] = *part;
    }
    return version;
}

int CompareVersions(const TVersionNumber &a, const TVersionNumber &b)
{
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}
