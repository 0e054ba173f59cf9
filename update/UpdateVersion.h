#pragma once
// Dotted version numbers as the program file carries them: one to four
// decimal parts of 0..65535, missing parts counting as 0.
#include <QString>

#include <array>
#include <optional>

using TVersionNumber = std::array<quint16, 4>;

// Empty when the text is not such a number ("1..2", "1.0a", "1.2.3.4.5").
std::optional<TVersionNumber> ParseVersion(const QString &text);

// Negative, zero or positive as a is older than, equal to or newer than b;
// the parts are compared as numbers, so 1.0.0.10 is newer than 1.0.0.9.
int CompareVersions(const TVersionNumber &a, const TVersionNumber &b);
