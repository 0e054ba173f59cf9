#pragma once
// The record of every control transfer a virtual adapter answered, and its
// one-line text form:
//   IN  104 v=00A8 i=0006 l=1 out=- in=41 r=1
// direction, request (decimal), wValue and wIndex (hex), wLength (decimal),
// the bytes sent and received (hex, "-" for none), and the result. A log
// file's lines begin with "t=" and the seconds since the program started,
// to the microsecond, so a log can be replayed with its timing.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

class QFile;

namespace sim {

// Microseconds since the program started, on the steady clock.
std::int64_t programTimeUs();
// The wall-clock time the program started, in microseconds since 1970.
std::int64_t programStartEpochUs();

struct TransferRecord {
    bool in = false;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;
    QByteArray bytesOut;
    QByteArray bytesIn;
    int result = 0;
    std::int64_t timeUs = 0; // programTimeUs() when the transfer was answered

    QString toLine() const;
    // "t=1.234567 " and the line.
    QString toTimedLine() const;
};

class TransferLog {
public:
    TransferLog();
    ~TransferLog();

    void add(TransferRecord record);
    const std::deque<TransferRecord> &records() const { return FRecords; }
    void clear() { FRecords.clear(); }
    // Every record ever added, also those dropped from memory.
    std::uint64_t total() const { return FTotal; }
    // Called after every record added; watchers must not do heavy work here.
    void setOnAdd(std::function<void()> onAdd) { FOnAdd = std::move(onAdd); }
    // Also write every record to this file ("-": standard output), one line
    // each; false when it cannot be opened.
    bool writeTo(const QString &fileName);
    // The newest records kept in memory; older ones drop out (the file keeps all).
    void setMemoryLimit(std::size_t records) { FLimit = records; }

private:
    std::deque<TransferRecord> FRecords;
    std::size_t FLimit = 200000;
    std::unique_ptr<QFile> FFile;
    std::uint64_t FTotal = 0;
    std::function<void()> FOnAdd;
};

} // namespace sim
