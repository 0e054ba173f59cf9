#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

// The per-user registry. Key paths are absolute, registry style
// ("\Software\App\Form1"). On Windows they live below HKEY_CURRENT_USER.
// Elsewhere "\Software\App" is the file App.conf in the user's configuration
// folder ($XDG_CONFIG_HOME, else ~/.config) and deeper elements are groups
// inside it, so the values keep their names and their text forms.
namespace ZqRegistry {

// A settings object whose top level is the key, or null when the path names
// no key this store can hold.
std::unique_ptr<QSettings> OpenUserKey(const QString &keyPath);

// The file that holds "\Software\<appName>" outside Windows.
QString UserSettingsFile(const QString &appName);

// The value, or an invalid QVariant when the key or the value is missing or
// cannot be read.
QVariant ReadValue(const QString &keyPath, const QString &name);

// Writes one value, creating the key as needed; false when it could not be
// stored.
bool WriteValue(const QString &keyPath, const QString &name, const QVariant &value);

// Flushes pending writes; false when the store could not be written.
bool Commit(QSettings &settings);

// How many times this process has flushed writes to the store: each is a
// rewrite of the settings file outside Windows.
int CommitCount();

} // namespace ZqRegistry
