#pragma once

#include <QStringList>

// Whether the user belongs to the system's administrators.
namespace ZqAdminCheck {

// On Windows: the process's (or the impersonating thread's) token lists the
// built-in Administrators group (S-1-5-32-544), enabled or not, so an
// administrator counts even before elevation. Elsewhere: the effective user
// is root or the user is in one of the groups that grant sudo rights.
bool UserIsAdministrator();

#ifndef Q_OS_WIN
// Root, or a member of "sudo" (Debian, Ubuntu), "wheel" (Fedora, Arch, SUSE)
// or "admin" (older Ubuntu).
bool IsAdministrator(unsigned effectiveUid, const QStringList &groupNames);
#endif

} // namespace ZqAdminCheck
