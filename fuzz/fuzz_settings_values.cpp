// A settings file edited or damaged by anyone: every value in it, as the
// settings layer reads it back and the forms turn it into numbers, flags
// and text.
#include "ZqRegistry.h"
#include "ZqStoredValues.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

namespace {
QTemporaryDir *configHome = nullptr;
int runs = 0;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    configHome = new QTemporaryDir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome->path()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A name of its own each run: the settings layer keeps files it has read.
    const QString app = QStringLiteral("Fuzz%1").arg(++runs);
    const QString path = ZqRegistry::UserSettingsFile(app);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    const QString key = QStringLiteral("\\Software\\") + app;
    if (const auto settings = ZqRegistry::OpenUserKey(key)) {
        for (const QString &name : settings->allKeys()) {
            const QVariant value = ZqRegistry::ReadValue(key, name);
            IntOrDefault(value, 0);
            FlagOrDefault(value, false);
            TextOrDefault(value, QString());
        }
    }
    QFile::remove(path);
    return 0;
}
