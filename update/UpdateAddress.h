#pragma once
// Where the update description file is fetched from, and which addresses the
// check may touch. Plain http would let anyone on the network swap the
// download page, so it is allowed only to this computer (loopback), where a
// local test server answers.
#include <QString>
#include <QStringList>
#include <QUrl>

inline constexpr char kDefaultUpdateAddress[] = "https://www.rzt.pl/brindle/update.txt";
inline constexpr char kUpdateUrlEnvironment[] = "BRINDLE_UPDATE_URL";
inline constexpr char kUpdateUrlOption[] = "--update-url";

// "localhost" or an address in 127.0.0.0/8 or ::1. Names are not looked up.
bool IsLoopbackHost(const QString &host);
bool IsLoopbackUrl(const QUrl &url);

// https to any host, or http to a loopback host; on refusal why, in words.
bool IsAllowedUpdateUrl(const QUrl &url, QString *refusal = nullptr);

// Where a check that began at original may be led (by a redirection or the
// file's download page): https anywhere, or loopback http when it began on
// loopback.
bool IsAllowedRedirect(const QUrl &original, const QUrl &target, QString *refusal = nullptr);

// The address to check: the command line's --update-url URL (or
// --update-url=URL, the last one counting), else the environment's value,
// else the stored setting, else the default. An empty value counts as absent.
QUrl ResolveUpdateUrl(const QStringList &arguments, const QString &environmentValue, const QString &settingValue);

// The same, with this process's arguments and environment.
QUrl ResolveUpdateUrl(const QString &settingValue);
