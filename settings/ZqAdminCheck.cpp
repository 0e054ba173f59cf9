#include "ZqAdminCheck.h"

#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <grp.h>
#include <unistd.h>

#include <algorithm>
#endif

namespace ZqAdminCheck {

#ifdef Q_OS_WIN

namespace {

HANDLE OpenUserToken()
{
    HANDLE token = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        return token;
    if (GetLastError() == ERROR_NO_TOKEN && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return token;
    return nullptr;
}

// The token's group list, sized by the system rather than a fixed buffer,
// so a user in many groups is not taken for a non-administrator.
std::vector<BYTE> ReadTokenGroups(HANDLE token)
{
    DWORD size = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenGroups, buffer.data(), size, &size))
        buffer.clear();
    return buffer;
}

bool ListsAdministrators(const std::vector<BYTE> &buffer)
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, &admins))
        return false;
    const auto *groups = reinterpret_cast<const TOKEN_GROUPS *>(buffer.data());
    bool found = false;
    for (DWORD i = 0; i < groups->GroupCount && !found; ++i)
        found = EqualSid(groups->Groups[i].Sid, admins) != FALSE;
    FreeSid(admins);
    return found;
}

} // namespace

bool UserIsAdministrator()
{
    HANDLE token = OpenUserToken();
    if (!token)
        return false;
    const std::vector<BYTE> groups = ReadTokenGroups(token);
    CloseHandle(token);
    return !groups.empty() && ListsAdministrators(groups);
}

#else

namespace {

const QStringList kAdminGroups = {QStringLiteral("sudo"), QStringLiteral("wheel"), QStringLiteral("admin")};

// Names of the process's effective and supplementary groups.
QStringList CurrentGroupNames()
{
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> ids(count > 0 ? count : 0);
    if (count > 0 && getgroups(count, ids.data()) < 0)
        ids.clear();
    ids.push_back(getegid());
    QStringList names;
    for (const gid_t id : ids) {
        if (const group *entry = getgrgid(id))
            names.append(QString::fromLocal8Bit(entry->gr_name));
    }
    return names;
}

} // namespace

bool IsAdministrator(unsigned effectiveUid, const QStringList &groupNames)
{
    if (effectiveUid == 0)
        return true;
    return std::any_of(groupNames.cbegin(), groupNames.cend(),
                       [](const QString &name) { return kAdminGroups.contains(name); });
}

bool UserIsAdministrator() { return IsAdministrator(geteuid(), CurrentGroupNames()); }

#endif

} // namespace ZqAdminCheck
