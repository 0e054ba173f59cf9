#include "UpdateAddress.h"

#include <QCoreApplication>

namespace {

const QString kHttps = QStringLiteral("https");
const QString kHttp = QStringLiteral("http");

bool Refuse(QString *refusal, const QString &why)
{
    if (refusal)
        *refusal = why;
    return false;
}

QString CommandLineValue(const QStringList &arguments)
{
    const QString option = QLatin1String(kUpdateUrlOption);
    const QString prefix = option + QLatin1Char('=');
    QString value;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == option && i + 1 < arguments.size())
            value = arguments[++i];
        else if (arguments[i].startsWith(prefix))
            value = arguments[i].mid(prefix.size());
    }
    return value;
}

// An address host as QUrl writes it: IPv4 in dotted decimal, IPv6 compressed
// in lower case, an IPv4-mapped one with its IPv4 part dotted.
QString PlainHost(const QString &host)
{
    const QString written = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return QUrl(QStringLiteral("http://%1/").arg(written), QUrl::StrictMode).host();
}

bool IsIPv4Loopback(const QString &host)
{
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        bool ok = false;
        if (part.isEmpty() || part.size() > 3 || part.toUInt(&ok) > 255 || !ok)
            return false;
    }
    return parts.front() == QLatin1String("127");
}

} // namespace

// Plain text, so the program need not load the network libraries to judge an
// address before a check.
bool IsLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QString plain = PlainHost(host);
    const QLatin1String mapped("::ffff:");
    if (plain == QLatin1String("::1"))
        return true;
    return IsIPv4Loopback(plain.startsWith(mapped) ? plain.mid(mapped.size()) : plain);
}

bool IsLoopbackUrl(const QUrl &url) { return IsLoopbackHost(url.host()); }

bool IsAllowedUpdateUrl(const QUrl &url, QString *refusal)
{
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return Refuse(refusal, QStringLiteral("\"%1\" is not a web address").arg(url.toString()));
    // "https://www.rzt.pl@other.example/" reads as one host and opens another.
    if (!url.userInfo().isEmpty())
        return Refuse(refusal, QStringLiteral("%1 carries a user name, which hides the real host %2")
                                   .arg(url.toString(QUrl::RemovePassword), url.host()));
    if (url.scheme() == kHttps)
        return true;
    if (url.scheme() == kHttp && IsLoopbackUrl(url))
        return true;
    return Refuse(refusal, QStringLiteral("%1 is not an https address").arg(url.toDisplayString()));
}

bool IsAllowedRedirect(const QUrl &original, const QUrl &target, QString *refusal)
{
    if (!IsAllowedUpdateUrl(target, refusal))
        return false;
    if (target.scheme() == kHttp && !IsLoopbackUrl(original))
        return Refuse(refusal, QStringLiteral("%1 is not an https address").arg(target.toDisplayString()));
    return true;
}

QUrl ResolveUpdateUrl(const QStringList &arguments, const QString &environmentValue, const QString &settingValue)
{
    for (const QString &value : {CommandLineValue(arguments), environmentValue, settingValue}) {
        if (!value.trimmed().isEmpty())
            return QUrl(value.trimmed(), QUrl::StrictMode);
    }
    return QUrl(QLatin1String(kDefaultUpdateAddress));
}

QUrl ResolveUpdateUrl(const QString &settingValue)
{
    return ResolveUpdateUrl(QCoreApplication::arguments(), qEnvironmentVariable(kUpdateUrlEnvironment), settingValue);
}
