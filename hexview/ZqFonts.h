#pragma once
// Fonts asked by family name. A family that is not installed would send every
// font look-up through the system's fallback search; here it is replaced once,
// by the system's own choice, and the answer is kept for the run.
#include <QFont>
#include <QString>

namespace ZqFonts {

// The family if installed, else the system's fixed-pitch font.
QFont FixedPitch(const QString &family, int pointSize);
// The family if installed, else the application's font.
QFont Caption(const QString &family, int pointSize);

} // namespace ZqFonts
