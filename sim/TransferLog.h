#pragma once
// The record of every control transfer a virtual adapter answered, and its
// one-line text form:
//   IN  104 v=00A8 i=0006 l=1 out=- in=41 r=1
// direction, request (decimal), wValue and wIndex (hex), wLength (decimal),
// the bytes sent and received (hex, "-" for none), and the result.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>

class QFile;

namespace sim {

struct TransferRecord {
    bool in = false;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;
    QByteArray bytesOut;
    QByteArray bytesIn;
    int result = 0;

    QString toLine() const;
};

class TransferLog {
public:
    TransferLog();
    ~TransferLog();

    void add(TransferRecord record);
    const std::deque<TransferRecord> &records() const { return FRecords; }
    void clear() { FRecords.clear(); }
    // Also write every record to this file ("-": standard output), one line
    // each; false when it cannot be opened.
    bool writeTo(const QString &fileName);
    // The newest records kept in memory; older ones drop out (the file keeps all).
    void setMemoryLimit(std::size_t records) { FLimit = records; }

private:
    std::deque<TransferRecord> FRecords;
    std::size_t FLimit = 200000;
    std::unique_ptr<QFile> FFile;
};

} // namespace sim
