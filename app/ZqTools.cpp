#include "ZqTools.h"

#include <QStringList>

QString FileVersionText()
{
    QStringList parts = QStringLiteral(BRINDLE_VERSION).split(QLatin1Char('.'));
    while (parts.size() < 4)
        parts << QStringLiteral("0");
    return QStringLiteral("%1.%2.%3.%4")
        .arg(parts[0].toInt())
        .arg(parts[1].toInt())
        .arg(parts[2].toInt())
        .arg(parts[3].toInt());
}
