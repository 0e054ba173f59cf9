#pragma once
// Values as the settings store hands them back, turned into what the forms
// keep. The store is a file the user (or anyone) can edit, so every value
// may be anything: a wrong one gives the default.
#include <QString>
#include <QVariant>

int IntOrDefault(const QVariant &value, int def);
bool FlagOrDefault(const QVariant &value, bool def);
QString TextOrDefault(const QVariant &value, const QString &def);
