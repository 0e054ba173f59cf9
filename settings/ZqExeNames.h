#pragma once

#include <QString>

// Names derived from the executable's file name: where its settings live,
// how its start-up entry is called and where its INI file sits.
namespace ZqExeNames {

// File name without a trailing ".exe" in any letter case; a name without
// that extension (the usual case outside Windows) is used whole.
QString ExeBase(const QString &exeFileName);

// Start-up entry name: the file name without a trailing, exactly lower-case
// ".exe", so "X.EXE" stays "X.EXE".
QString StartupEntryName(const QString &exeFileName);

// The executable's full path with its last extension replaced by ".ini".
QString IniBesideExe(const QString &exePath);

// The running program's own path and file name.
QString CurrentExePath();
QString CurrentExeFileName();

} // namespace ZqExeNames
