#include "ZqStartupEntry.h"

#include "ZqExeNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace ZqStartupEntry {

namespace {
QString EntryName(const QString &exePath) { return ZqExeNames::StartupEntryName(QFileInfo(exePath).fileName()); }
} // namespace

#ifdef Q_OS_WIN

namespace {
const QString kRunKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
}

bool Exists(const QString &exePath) { return QSettings(kRunKey, QSettings::NativeFormat).contains(EntryName(exePath)); }

bool Write(const QString &exePath)
{
    QSettings run(kRunKey, QSettings::NativeFormat);
    run.setValue(EntryName(exePath), QDir::toNativeSeparators(exePath));
    run.sync();
    return run.status() == QSettings::NoError;
}

bool Remove(const QString &exePath)
{
    QSettings run(kRunKey, QSettings::NativeFormat);
    run.remove(EntryName(exePath));
    run.sync();
    return !run.contains(EntryName(exePath));
}

#else

namespace {

// Characters that force an Exec argument into double quotes.
const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

QString QuoteExecArgument(const QString &arg)
{
    if (!std::any_of(arg.cbegin(), arg.cend(), [](QChar c) { return kReserved.contains(c); }))
        return arg;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

// The string escapes every desktop entry value goes through.
QString EscapeString(const QString &text)
{
    QString escaped;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            escaped += QStringLiteral("\\\\");
            break;
        case '\n':
            escaped += QStringLiteral("\\n");
            break;
        case '\t':
            escaped += QStringLiteral("\\t");
            break;
        case '\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// Key and value of a "key=value" line, blanks around '=' allowed.
bool LineIs(const QByteArray &line, const char *key, const char *value)
{
    const int eq = line.indexOf('=');
    return eq > 0 && line.left(eq).trimmed() == key && line.mid(eq + 1).trimmed() == value;
}

} // namespace

QString AutostartFile(const QString &exePath)
{
    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(configDir).filePath(QStringLiteral("autostart/") + EntryName(exePath) + QStringLiteral(".desktop"));
}

QString ExecValue(const QString &exePath)
{
    QString arg = QuoteExecArgument(exePath);
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return EscapeString(arg);
}

QByteArray DesktopEntry(const QString &exePath)
{
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=%1\n"
                                        "Exec=%2\n")
                             .arg(EscapeString(EntryName(exePath)), ExecValue(exePath));
    return text.toUtf8();
}

bool IsEnabledEntry(const QByteArray &content)
{
    for (const QByteArray &line : content.split('\n')) {
        if (LineIs(line, "Hidden", "true") || LineIs(line, "X-GNOME-Autostart-enabled", "false"))
            return false;
    }
    return true;
}

bool Exists(const QString &exePath)
{
    QFile entry(AutostartFile(exePath));
    return entry.open(QIODevice::ReadOnly) && IsEnabledEntry(entry.readAll());
}

bool Write(const QString &exePath)
{
    const QString path = AutostartFile(exePath);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly))
        return false;
    entry.write(DesktopEntry(exePath));
    return entry.commit();
}

bool Remove(const QString &exePath)
{
    const QString path = AutostartFile(exePath);
    return !QFileInfo::exists(path) || QFile::remove(path);
}

#endif

} // namespace ZqStartupEntry
