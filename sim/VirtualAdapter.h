#pragma once
// One virtual RZT-USBasp: its USB identity, its firmware, and the faults a
// test can inject. It is plugged into and pulled from a SimBackend.
#include "Firmware.h"
#include "TransferLog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <chrono>
#include <memory>
#include <usb.h>
#include <utility>
#include <vector>

namespace sim {

struct AdapterIdentity {
    std::uint16_t vid = 0x16C0;
    std::uint16_t pid = 0x05DC;
    std::uint16_t bcdDevice = 0x0104;
    // String descriptors from index 1; an empty entry is a string the adapter lacks.
    QStringList strings = {QStringLiteral("www.rzt.pl"), QStringLiteral("RZT-USBasp"), QStringLiteral("VIRT-0001")};
};

class VirtualAdapter {
public:
    VirtualAdapter(std::unique_ptr<Firmware> firmware, AdapterIdentity identity);
    ~VirtualAdapter();

    const AdapterIdentity &identity() const { return FIdentity; }
    Firmware &firmware() { return *FFirmware; }
    TransferLog &log() { return FLog; }
    bool isPlugged() const { return FPlugged; }
    int busnum() const { return FBusnum; }
    int devnum() const { return FDevnum; }
    int generation() const { return FGeneration; }
    struct usb_device *record() { return FRecords.empty() ? nullptr : FRecords.back().get(); }

    // Faults.
    void setRefuseOpen(bool refuse) { FRefuseOpen = refuse; }
    bool refusesOpen() const { return FRefuseOpen; }
    // The user may not write the device node (no udev rule): opening is refused with EACCES.
    void setAccessDenied(bool denied) { FAccessDenied = denied; }
    bool accessDenied() const { return FAccessDenied; }
    void failNextTransfers(int count, int error = -71 /* -EPROTO */);
    void timeOutNextTransfers(int count);
    void setAnswering(bool answering) { FAnswering = answering; }
    // The adapter is pulled right after this many more transfers.
    void pullAfterTransfers(int count) { FPullCountdown = count; }
    // The chips fall off the buses right after this many more transfers (0: now).
    void silenceChipsAfterTransfers(int count);
    // Runs fault right after this many more transfers (0: now), e.g. to fail
    // or time out one transfer in the middle of an operation.
    void afterTransfers(int count, std::function<void(VirtualAdapter &)> fault);
    void setLatencyUs(int us) { FLatencyUs = us; }
    // With the wire-time model on, a transfer also holds the bus for the
    // time its bits take on the wire (the firmware's wireNs). The modelled
    // wire time of every answered transfer is counted either way.
    void setWireTimeModel(bool on) { FWireTimeModel = on; }
    bool wireTimeModel() const { return FWireTimeModel; }
    std::int64_t wireNs() const { return FWireNs; }
    // The next close of a handle on this adapter reports an error (-EIO).
    void failNextClose() { FCloseFails = true; }
    bool takeCloseFailure() { return std::exchange(FCloseFails, false); }
    void setBusnum(int busnum) { FBusnum = busnum; }

    // libusb 0.1's usb_get_string_simple as the adapter would answer it.
    int stringDescriptor(int index, char *buf, std::size_t buflen) const;
    // One control transfer, faults applied and logged. pullNow is set when the
    // pull-after countdown has run out.
    int transfer(const SetupPacket &setup, std::uint8_t *data, int timeoutMs, bool &pullNow);

    // Called by the backend.
    void plugAs(int devnum, usb_bus *bus);
    void unplug() { FPlugged = false; }

private:
    int injectedFault();
    void runArmedFault();
    static void holdTheBusUntil(std::chrono::steady_clock::time_point end);

    std::unique_ptr<Firmware> FFirmware;
    AdapterIdentity FIdentity;
    TransferLog FLog;
    std::vector<std::unique_ptr<struct usb_device>> FRecords; // one per plug; old ones stay valid
    bool FPlugged = false;
    int FBusnum = 1;
    int FDevnum = 0;
    int FGeneration = 0;
    bool FRefuseOpen = false;
    bool FAccessDenied = false;
    bool FAnswering = true;
    int FFailCount = 0;
    int FFailError = 0;
    int FTimeoutCount = 0;
    int FPullCountdown = -1;
    int FLatencyUs = 0;
    int FArmedCountdown = -1;
    std::function<void(VirtualAdapter &)> FArmedFault;
    bool FWireTimeModel = false;
    std::int64_t FWireNs = 0;
    bool FCloseFails = false;
};

} // namespace sim
