#include "VirtualAdapter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace sim {

VirtualAdapter::VirtualAdapter(std::unique_ptr<Firmware> firmware, AdapterIdentity identity)
    : FFirmware(std::move(firmware)), FIdentity(std::move(identity))
{
}

VirtualAdapter::~VirtualAdapter() = default;

void VirtualAdapter::failNextTransfers(int count, int error)
{
    FFailCount = count;
    FFailError = error;
}

void VirtualAdapter::timeOutNextTransfers(int count) { FTimeoutCount = count; }

void VirtualAdapter::silenceChipsAfterTransfers(int count)
{
    afterTransfers(count, [](VirtualAdapter &a) { a.firmware().setChipsConnected(false); });
}

void VirtualAdapter::afterTransfers(int count, std::function<void(VirtualAdapter &)> fault)
{
    FArmedFault = std::move(fault);
    FArmedCountdown = count;
    if (count <= 0)
        runArmedFault();
}

void VirtualAdapter::runArmedFault()
{
    FArmedCountdown = -1;
    if (auto fault = std::exchange(FArmedFault, nullptr))
        fault(*this);
}

void VirtualAdapter::plugAs(int devnum, usb_bus *bus)
{
    auto rec = std::make_unique<struct usb_device>();
    std::memset(rec.get(), 0, sizeof(struct usb_device));
    std::snprintf(rec->filename, sizeof rec->filename, "%03d", devnum);
    rec->bus = bus;
    rec->devnum = std::uint8_t(devnum);
    rec->descriptor.bLength = USB_DT_DEVICE_SIZE;
    rec->descriptor.bDescriptorType = USB_DT_DEVICE;
    rec->descriptor.bcdUSB = 0x0110;
    rec->descriptor.bMaxPacketSize0 = 8;
    rec->descriptor.idVendor = FIdentity.vid;
    rec->descriptor.idProduct = FIdentity.pid;
    rec->descriptor.bcdDevice = FIdentity.bcdDevice;
    rec->descriptor.iManufacturer = 1;
    rec->descriptor.iProduct = 2;
    rec->descriptor.iSerialNumber = 3;
    rec->descriptor.bNumConfigurations = 1;
    FRecords.push_back(std::move(rec));
    FDevnum = devnum;
    FPlugged = true;
    ++FGeneration;
    FFirmware->reset();
}

// String 0 is the language table; libusb 0.1 reads it back as a one-character
// text ("?"), as it does from the real board.
int VirtualAdapter::stringDescriptor(int index, char *buf, std::size_t buflen) const
{
    if (!FPlugged || !FAnswering)
        return -ETIMEDOUT;
    if (buflen == 0)
        return -EINVAL;
    QByteArray text;
    if (index == 0)
        text = "?";
    else if (index <= FIdentity.strings.size() && !FIdentity.strings[index - 1].isEmpty())
        text = FIdentity.strings[index - 1].toLatin1();
    else
        return -EPIPE;
    const std::size_t n = std::min<std::size_t>(std::size_t(text.size()), buflen - 1);
    std::memcpy(buf, text.constData(), n);
    buf[n] = '\0';
    return int(n);
}

int VirtualAdapter::injectedFault()
{
    if (!FPlugged)
        return -ENODEV;
    if (!FAnswering)
        return -ETIMEDOUT;
    if (FTimeoutCount > 0) {
        --FTimeoutCount;
        return -ETIMEDOUT;
    }
    if (FFailCount > 0) {
        --FFailCount;
        return FFailError;
    }
    return 0;
}

// A transfer takes the bus for its time whatever the host's scheduler does:
// sleep most of it, then spin the last stretch, which a wake-up would
// otherwise overshoot by tens of microseconds on a busy machine.
void VirtualAdapter::holdTheBusUntil(std::chrono::steady_clock::time_point end)
{
    using namespace std::chrono;
    constexpr microseconds kSpin(200);
    if (end - steady_clock::now() > kSpin)
        std::this_thread::sleep_until(end - kSpin);
    while (steady_clock::now() < end)
        std::this_thread::yield();
}

// The hold runs from the transfer's start, so the firmware's own host time
// is part of it rather than added to it.
int VirtualAdapter::transfer(const SetupPacket &setup, std::uint8_t *data, int timeoutMs, bool &pullNow)
{
    Q_UNUSED(timeoutMs);
    using namespace std::chrono;
    const auto begun = steady_clock::now();
    const std::int64_t wireBefore = FFirmware->wireNs();
    TransferRecord rec{setup.isIn(), setup.bRequest, setup.wValue, setup.wIndex, setup.wLength, {}, {}, 0};
    if (!setup.isIn())
        rec.bytesOut = QByteArray(reinterpret_cast<const char *>(data), setup.wLength);
    int result = injectedFault();
    if (result == 0)
        result = FFirmware->controlTransfer(setup, data);
    if (setup.isIn() && result > 0)
        rec.bytesIn = QByteArray(reinterpret_cast<const char *>(data), result);
    rec.result = result;
    const std::int64_t wire = FFirmware->wireNs() - wireBefore;
    FWireNs += wire;
    const auto hold = microseconds(FLatencyUs) + nanoseconds(FWireTimeModel ? wire : 0);
    if (hold.count() > 0)
        holdTheBusUntil(begun + hold);
    FLog.add(std::move(rec));
    pullNow = FPullCountdown > 0 && --FPullCountdown == 0;
    if (FArmedCountdown > 0 && --FArmedCountdown == 0)
        runArmedFault();
    return result;
}

} // namespace sim
