#pragma once
// What every clock shares when it is set: the fields of a time, BCD
// registers, and the check of the typed fields, since a chip counts on from
// an invalid BCD value into nonsense.
#include <QString>
#include <cstdint>
#include <optional>

// A time to set, in 24 h form.
struct TDs13xxFields {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

inline std::uint8_t Bcd(int value) { return std::uint8_t((value / 10) << 4 | value % 10); }

enum class TClockField {
    Hour,
    Minute,
    Second,
    Year,
    Month,
    Day
};

struct TFieldRange {
    int value;
    TClockField field;
    int low;
    int high;
};

// The first field outside its range, in the order the pages list them; a
// day's range ends with its month in that year, so 29 February of a year
// that is not a leap year is refused as a day out of range.
std::optional<TFieldRange> FirstOutOfRange(const TDs13xxFields &fields, int firstYear, int lastYear);

// The clock pages' words for a field out of range.
QString FieldRangeMessage(const TFieldRange &range);
// The same for the command line: "hour 24 is outside 0..23".
QString FieldRangeText(const TFieldRange &range);
