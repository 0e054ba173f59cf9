#pragma once

#include <QByteArray>
#include <QString>

// The user's start-up list entry that starts the program at log-in. On
// Windows it is the value named after the executable under
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run; elsewhere
// it is an XDG autostart entry, $XDG_CONFIG_HOME/autostart/<name>.desktop.
namespace ZqStartupEntry {

// Whether an entry for the executable is present and would start it.
bool Exists(const QString &exePath);
// Writes the entry; false when it could not be stored.
bool Write(const QString &exePath);
// Removes the entry; false when it is still there afterwards.
bool Remove(const QString &exePath);

#ifndef Q_OS_WIN
// Where the autostart entry of the executable lives.
QString AutostartFile(const QString &exePath);
// The whole desktop entry that starts the executable.
QByteArray DesktopEntry(const QString &exePath);
// The executable's path as the Exec value of a desktop entry file: quoted
// when it holds reserved characters, '%' doubled, string escapes applied.
QString ExecValue(const QString &exePath);
// Whether desktop entry text is an entry started at log-in: not
// hidden and not switched off through X-GNOME-Autostart-enabled.
bool IsEnabledEntry(const QByteArray &content);
#endif

} // namespace ZqStartupEntry
