#include "ClockFields.h"

#include <QDate>

namespace {
struct TFieldNames {
    TClockField field;
    const char *word; // the pages'
    const char *name; // the command line's
};

const TFieldNames kNames[] = {
    {TClockField::Hour, "godzina", "hour"},     {TClockField::Minute, "minuty", "minute"},
    {TClockField::Second, "sekundy", "second"}, {TClockField::Year, "rok", "year"},
    {TClockField::Month, "miesiąc", "month"},   {TClockField::Day, "dzień", "day"},
};

const TFieldNames &NamesOf(TClockField field)
{
    for (const TFieldNames &names : kNames)
        if (names.field == field)
            return names;
    return kNames[0];
}
} // namespace

std::optional<TFieldRange> FirstOutOfRange(const TDs13xxFields &f, int firstYear, int lastYear)
{
    const int days = f.month >= 1 && f.month <= 12 ? QDate(f.year, f.month, 1).daysInMonth() : 31;
    const TFieldRange ranges[] = {
        {f.hour, TClockField::Hour, 0, 23},     {f.minute, TClockField::Minute, 0, 59},
        {f.second, TClockField::Second, 0, 59}, {f.year, TClockField::Year, firstYear, lastYear},
        {f.month, TClockField::Month, 1, 12},   {f.day, TClockField::Day, 1, days},
    };
    for (const TFieldRange &range : ranges)
        if (range.value < range.low || range.value > range.high)
            return range;
    return std::nullopt;
}

QString FieldRangeMessage(const TFieldRange &range)
{
    return QStringLiteral("Pole \"%1\": %2 jest poza zakresem %3..%4.\nZegar nie został ustawiony.")
        .arg(QString::fromUtf8(NamesOf(range.field).word))
        .arg(range.value)
        .arg(range.low)
        .arg(range.high);
}

QString FieldRangeText(const TFieldRange &range)
{
    return QStringLiteral("%1 %2 is outside %3..%4")
        .arg(QLatin1String(NamesOf(range.field).name))
        .arg(range.value)
        .arg(range.low)
        .arg(range.high);
}
