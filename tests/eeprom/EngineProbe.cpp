#include "EngineProbe.h"

namespace {
QString hex4(int value) { return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper(); }
} // namespace

QString requestLine(int request, int value, int index, int length)
{
    return QStringLiteral("%1 v=%2 i=%3 l=%4").arg(request).arg(hex4(value), hex4(index)).arg(length);
}

QString shortForm(const sim::TransferRecord &r) { return requestLine(r.request, r.value, r.index, r.length); }

QStringList requestLog(SimBench &bench)
{
    QStringList lines;
    for (const sim::TransferRecord &r : bench.simulator().adapter()->log().records())
        lines << shortForm(r);
    return lines;
}

QStringList requestLogRunsFolded(SimBench &bench)
{
    QStringList folded;
    for (const QString &line : requestLog(bench))
        if (folded.isEmpty() || folded.last() != line)
            folded << line;
    return folded;
}

QByteArray pattern(int n, int seed)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char((i * 73 + seed * 29 + 11) & 0xFF);
    return bytes;
}
