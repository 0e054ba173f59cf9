#include "ZqFonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHash>

namespace ZqFonts {

namespace {
QFont Resolved(const QString &family, int pointSize, bool fixedPitch)
{
    static QHash<QString, QFont> chosen;
    auto found = chosen.find(family);
    if (found == chosen.end()) {
        QFont face;
        if (!family.isEmpty() && QFontDatabase::hasFamily(family))
            face = QFont(family);
        else
            face = fixedPitch ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QApplication::font();
        found = chosen.insert(family, face);
    }
    QFont font = *found;
    font.setPointSize(pointSize);
    return font;
}
} // namespace

QFont FixedPitch(const QString &family, int pointSize) { return Resolved(family, pointSize, true); }

QFont Caption(const QString &family, int pointSize) { return Resolved(family, pointSize, false); }

} // namespace ZqFonts
