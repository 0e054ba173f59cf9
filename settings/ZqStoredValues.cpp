#include "ZqStoredValues.h"

// Stored values are decimal text; anything else, or nothing, gives def.
int IntOrDefault(const QVariant &value, int def)
{
    bool ok = false;
    const int number = value.toString().toInt(&ok);
    return ok ? number : def;
}

// Booleans are stored as 0 or 1; any other number reads as true.
bool FlagOrDefault(const QVariant &value, bool def)
{
    bool ok = false;
    const qlonglong number = value.toString().toLongLong(&ok);
    return ok ? number != 0 : def;
}

QString TextOrDefault(const QVariant &value, const QString &def)
{
    QVariant text = value;
    if (!value.isValid() || !text.convert(QMetaType::fromType<QString>()))
        return def;
    return text.toString();
}
