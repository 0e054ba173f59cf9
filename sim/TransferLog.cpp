#include "TransferLog.h"

#include <QDateTime>
#include <QFile>
#include <chrono>
#include <cstdio>

namespace sim {
namespace {
QString hexOrDash(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString hex4(std::uint16_t word) { return QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper(); }

// Taken while static objects are built, before main: the program's start.
const auto kStart = std::chrono::steady_clock::now();
const std::int64_t kStartEpochUs = QDateTime::currentMSecsSinceEpoch() * 1000;
} // namespace

std::int64_t programTimeUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - kStart).count();
}

std::int64_t programStartEpochUs() { return kStartEpochUs; }

QString TransferRecord::toTimedLine() const
{
    return QStringLiteral("t=%1.%2 %3")
        .arg(timeUs / 1000000)
        .arg(timeUs % 1000000, 6, 10, QLatin1Char('0'))
        .arg(toLine());
}

QString TransferRecord::toLine() const
{
    return QStringLiteral("%1 %2 v=%3 i=%4 l=%5 out=%6 in=%7 r=%8")
        .arg(in ? QStringLiteral("IN ") : QStringLiteral("OUT"))
        .arg(request)
        .arg(hex4(value), hex4(index))
        .arg(length)
        .arg(hexOrDash(bytesOut), hexOrDash(bytesIn))
        .arg(result);
}

TransferLog::TransferLog() = default;
TransferLog::~TransferLog() = default;

void TransferLog::add(TransferRecord record)
{
    record.timeUs = programTimeUs();
    if (FFile) {
        FFile->write(record.toTimedLine().toLatin1() + '\n');
        FFile->flush();
    }
    FRecords.push_back(std::move(record));
    while (FRecords.size() > FLimit)
        FRecords.pop_front();
    ++FTotal;
    if (FOnAdd)
        FOnAdd();
}

bool TransferLog::writeTo(const QString &fileName)
{
    auto file = std::make_unique<QFile>(fileName);
    const bool opened = fileName == QLatin1String("-")
                            ? file->open(stdout, QIODevice::WriteOnly | QIODevice::Text)
                            : file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    if (!opened)
        return false;
    FFile = std::move(file);
    return true;
}

} // namespace sim
