#include "StandardStreams.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

bool IsStandardInput(const QString &path)
{
    return QStringList{"-", "/dev/stdin", "/dev/fd/0", "/proc/self/fd/0"}.contains(path);
}

bool IsStandardOutput(const QString &path)
{
    return QStringList{"-", "/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}.contains(path);
}

bool ReadStandardInput(qint64 maxBytes, QByteArray &bytes, QString &error)
{
    bytes.clear();
    char chunk[65536];
    while (bytes.size() <= maxBytes) {
        const ssize_t n = ::read(STDIN_FILENO, chunk, size_t(qMin<qint64>(sizeof chunk, maxBytes + 1 - bytes.size())));
        if (n == 0)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        bytes.append(chunk, int(n));
    }
    return true;
}

bool WriteStandardOutput(const QByteArray &bytes, QString &error)
{
    std::fflush(stdout);
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    if (written && std::fflush(stdout) == 0)
        return true;
    error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO); }

void PrintJson(const QJsonObject &object)
{
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).append('\n').constData(), stdout);
}
