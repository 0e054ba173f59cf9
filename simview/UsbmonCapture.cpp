#include "UsbmonCapture.h"

#include "AdapterRequest.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <pcap/pcap.h>

namespace {
constexpr int kLinkType = 220; // DLT_USB_LINUX_MMAPPED: the 64-byte usbmon header
constexpr std::uint8_t kControl = 2;
constexpr std::uint8_t kEndpointIn = 0x80;
constexpr char kNoSetup = '-';
constexpr char kNoDataIn = '<';  // submission of an IN transfer
constexpr char kNoDataOut = '>'; // completion of an OUT transfer

// The kernel's struct usbmon_packet, in host byte order as usbmon gives it.
struct UsbmonHeader {
    std::uint64_t id;
    std::uint8_t type;
    std::uint8_t xferType;
    std::uint8_t epnum;
    std::uint8_t devnum;
    std::uint16_t busnum;
    char flagSetup;
    char flagData;
    std::int64_t tsSec;
    std::int32_t tsUsec;
    std::int32_t status;
    std::uint32_t length;
    std::uint32_t lenCap;
    std::uint8_t setup[8];
    std::int32_t interval;
    std::int32_t startFrame;
    std::uint32_t xferFlags;
    std::uint32_t ndesc;
};
static_assert(sizeof(UsbmonHeader) == 64, "usbmon header is 64 bytes");

void putWord(std::uint8_t *at, std::uint16_t word)
{
    at[0] = std::uint8_t(word & 0xFF);
    at[1] = std::uint8_t(word >> 8);
}

struct Dumper {
    pcap_t *dead = nullptr;
    pcap_dumper_t *dumper = nullptr;
    ~Dumper()
    {
        if (dumper)
            pcap_dump_close(dumper);
        if (dead)
            pcap_close(dead);
    }

    void write(const UsbmonHeader &header, const QByteArray &data)
    {
        QByteArray packet(reinterpret_cast<const char *>(&header), sizeof header);
        packet += data;
        pcap_pkthdr record{};
        record.ts.tv_sec = header.tsSec;
        record.ts.tv_usec = header.tsUsec;
        record.caplen = record.len = bpf_u_int32(packet.size());
        pcap_dump(reinterpret_cast<u_char *>(dumper), &record, reinterpret_cast<const u_char *>(packet.constData()));
    }
};

UsbmonHeader headerFor(const sim::TransferRecord &r, std::uint64_t id, int busnum, int devnum)
{
    UsbmonHeader h{};
    h.id = id;
    h.xferType = kControl;
    h.epnum = r.in ? kEndpointIn : 0;
    h.devnum = std::uint8_t(devnum);
    h.busnum = std::uint16_t(busnum);
    const std::int64_t us = sim::programStartEpochUs() + r.timeUs;
    h.tsSec = us / 1000000;
    h.tsUsec = std::int32_t(us % 1000000);
    return h;
}

void writeSubmission(Dumper &out, const sim::TransferRecord &r, UsbmonHeader h)
{
    h.type = 'S';
    h.flagSetup = 0;
    h.flagData = r.in ? kNoDataIn : 0;
    h.status = -EINPROGRESS;
    h.length = r.length;
    h.lenCap = r.in ? 0 : std::uint32_t(r.bytesOut.size());
    h.setup[0] = r.in ? kVendorIn : kVendorOut;
    h.setup[1] = r.request;
    putWord(h.setup + 2, r.value);
    putWord(h.setup + 4, r.index);
    putWord(h.setup + 6, r.length);
    out.write(h, r.in ? QByteArray() : r.bytesOut);
}

void writeCompletion(Dumper &out, const sim::TransferRecord &r, UsbmonHeader h)
{
    h.type = 'C';
    h.flagSetup = kNoSetup;
    h.flagData = r.in && !r.bytesIn.isEmpty() ? 0 : kNoDataOut;
    h.status = r.result < 0 ? r.result : 0;
    h.length = std::uint32_t(std::max(r.result, 0));
    h.lenCap = r.in ? std::uint32_t(r.bytesIn.size()) : 0;
    h.tsUsec += 1; // the completion follows its submission
    if (h.tsUsec == 1000000) {
        h.tsUsec = 0;
        ++h.tsSec;
    }
    out.write(h, r.in ? r.bytesIn : QByteArray());
}
} // namespace

bool SaveUsbmonCapture(const std::deque<sim::TransferRecord> &records, int busnum, int devnum, const QString &fileName,
                       QString &error)
{
    Dumper out;
    out.dead = pcap_open_dead(kLinkType, 65535);
    if (!out.dead) {
        error = QStringLiteral("cannot start a capture file");
        return false;
    }
    out.dumper = pcap_dump_open(out.dead, QFile::encodeName(fileName).constData());
    if (!out.dumper) {
        error = QStringLiteral("cannot write \"%1\": %2").arg(fileName, QString::fromLocal8Bit(pcap_geterr(out.dead)));
        return false;
    }
    std::uint64_t id = 0;
    for (const sim::TransferRecord &r : records) {
        const UsbmonHeader h = headerFor(r, ++id, busnum, devnum);
        writeSubmission(out, r, h);
        writeCompletion(out, r, h);
    }
    if (pcap_dump_flush(out.dumper) != 0) {
        error = QStringLiteral("cannot write \"%1\"").arg(fileName);
        return false;
    }
    return true;
}
