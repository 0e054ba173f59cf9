#include "ZqRegistry.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace ZqRegistry {

namespace {
int gCommits = 0;
}

#ifdef Q_OS_WIN
std::unique_ptr<QSettings> OpenUserKey(const QString &keyPath)
{
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER") + keyPath, QSettings::NativeFormat);
}
#else
// "\Software\App\A\B" -> file of App, group "A/B".
std::unique_ptr<QSettings> OpenUserKey(const QString &keyPath)
{
    const QStringList parts = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.size() < 2 || parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) != 0)
        return nullptr;
    const QString appName = parts.at(1);
    auto settings = std::make_unique<QSettings>(UserSettingsFile(appName), QSettings::IniFormat);
    const QStringList groups = parts.mid(2);
    if (!groups.isEmpty())
        settings->beginGroup(groups.join(QLatin1Char('/')));
    return settings;
}
#endif

QString UserSettingsFile(const QString &appName)
{
    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(configDir).filePath(appName + QStringLiteral(".conf"));
}

QVariant ReadValue(const QString &keyPath, const QString &name)
{
    const auto settings = OpenUserKey(keyPath);
    if (!settings || settings->status() == QSettings::AccessError)
        return {};
    return settings->value(name);
}

bool WriteValue(const QString &keyPath, const QString &name, const QVariant &value)
{
    const auto settings = OpenUserKey(keyPath);
    if (!settings)
        return false;
    settings->setValue(name, value);
    return Commit(*settings);
}

bool Commit(QSettings &settings)
{
    ++gCommits;
    settings.sync();
    // A format error only tells that the file read before was damaged: what
    // could be parsed has been written back together with the new values.
    return settings.status() != QSettings::AccessError;
}

int CommitCount() { return gCommits; }

} // namespace ZqRegistry
