#pragma once
// What every clock shares when it is set: BCD registers, and the check of the
// typed fields, since a chip counts on from an invalid BCD value into nonsense.
#include <QString>
#include <cstddef>
#include <cstdint>

inline std::uint8_t Bcd(int value) { return std::uint8_t((value / 10) << 4 | value % 10); }

struct TFieldRange {
    int value;
    const char *name;
    int low;
    int high;
};

// The first field outside its range, or null.
template <std::size_t N>
const TFieldRange *FirstOutOfRange(const TFieldRange (&ranges)[N])
{
    for (const TFieldRange &range : ranges)
        if (range.value < range.low || range.value > range.high)
            return &range;
    return nullptr;
}

// The clock pages' words for a field out of range.
inline QString FieldRangeMessage(const TFieldRange &range)
{
    return QStringLiteral("Pole \"%1\": %2 jest poza zakresem %3..%4.\nZegar nie został ustawiony.")
        .arg(QString::fromUtf8(range.name))
        .arg(range.value)
        .arg(range.low)
        .arg(range.high);
}
