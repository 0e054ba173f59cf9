#include "SimBackend.h"

#include <QMetaObject>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sim {

SimBackend::SimBackend(QObject *parent) : UsbBackend(parent) {}
SimBackend::~SimBackend() = default;

VirtualAdapter *SimBackend::addAdapter(std::unique_ptr<Firmware> firmware, AdapterIdentity identity)
{
    FAdapters.push_back(std::make_unique<VirtualAdapter>(std::move(firmware), std::move(identity)));
    return FAdapters.back().get();
}

void SimBackend::plug(VirtualAdapter *adapter)
{
    if (adapter->isPlugged())
        return;
    adapter->plugAs(FNextDevnum++, busRecord(adapter->busnum()));
    announce(adapter, DeviceNotice::Arrival);
}

void SimBackend::pull(VirtualAdapter *adapter)
{
    if (!adapter->isPlugged())
        return;
    adapter->unplug();
    announce(adapter, DeviceNotice::Removal);
}

void SimBackend::pullUnheard(VirtualAdapter *adapter) { adapter->unplug(); }

// Queued, as the platform's notices arrive through the event loop and never
// inside a transfer.
void SimBackend::announce(VirtualAdapter *adapter, DeviceNotice::Kind kind)
{
    DeviceNotice notice{kind, adapter->identity().vid, adapter->identity().pid, adapter->busnum(), adapter->devnum()};
    QMetaObject::invokeMethod(
        this, [this, notice] { emit deviceChanged(notice); }, Qt::QueuedConnection);
}

usb_bus *SimBackend::busRecord(int busnum)
{
    auto &bus = FBuses[busnum];
    if (!bus) {
        bus = std::make_unique<usb_bus>();
        std::memset(bus.get(), 0, sizeof(usb_bus));
        std::snprintf(bus->dirname, sizeof bus->dirname, "%03d", busnum);
        bus->location = std::uint32_t(busnum);
    }
    return bus.get();
}

int SimBackend::findBusses()
{
    usb_bus *prev = nullptr;
    FBusList = nullptr;
    for (auto &[num, bus] : FBuses) {
        bus->prev = prev;
        bus->next = nullptr;
        (prev ? prev->next : FBusList) = bus.get();
        prev = bus.get();
    }
    return 0;
}

// Devices appear on their bus in the order they were plugged.
int SimBackend::findDevices()
{
    for (auto &[num, bus] : FBuses)
        bus->devices = nullptr;
    std::map<usb_bus *, struct usb_device *> tail;
    for (auto &adapter : FAdapters) {
        if (!adapter->isPlugged())
            continue;
        struct usb_device *dev = adapter->record();
        usb_bus *bus = dev->bus;
        dev->next = nullptr;
        dev->prev = tail[bus];
        (tail[bus] ? tail[bus]->next : bus->devices) = dev;
        tail[bus] = dev;
    }
    return 0;
}

usb_dev_handle *SimBackend::open(struct usb_device *dev)
{
    FLastOpenError = ENODEV;
    for (auto &adapter : FAdapters) {
        if (adapter->record() != dev || !adapter->isPlugged())
            continue;
        if (adapter->accessDenied() || adapter->refusesOpen()) {
            FLastOpenError = adapter->accessDenied() ? EACCES : EIO;
            return nullptr;
        }
        auto handle = std::make_unique<Handle>(Handle{adapter.get(), adapter->generation()});
        auto *key = reinterpret_cast<usb_dev_handle *>(handle.get());
        FHandles[key] = std::move(handle);
        FLastOpenError = 0;
        return key;
    }
    return nullptr;
}

int SimBackend::close(usb_dev_handle *handle)
{
    const auto it = FHandles.find(handle);
    if (it == FHandles.end())
        return -EBADF;
    if (it->second->adapter->takeCloseFailure())
        return -EIO;
    FHandles.erase(it);
    return 0;
}

// A handle outlives its device: after a pull (even once plugged again) it stays dead.
VirtualAdapter *SimBackend::liveAdapter(usb_dev_handle *handle) const
{
    const auto it = FHandles.find(handle);
    if (it == FHandles.end())
        return nullptr;
    const Handle &h = *it->second;
    return (h.adapter->isPlugged() && h.adapter->generation() == h.generation) ? h.adapter : nullptr;
}

int SimBackend::getStringSimple(usb_dev_handle *handle, int index, char *buf, std::size_t buflen)
{
    VirtualAdapter *adapter = liveAdapter(handle);
    return adapter ? adapter->stringDescriptor(index, buf, buflen) : -ENODEV;
}

int SimBackend::controlMsg(usb_dev_handle *handle, int requesttype, int request, int value, int index, char *bytes,
                           int size, int timeout)
{
    VirtualAdapter *adapter = liveAdapter(handle);
    if (!adapter)
        return -ENODEV;
    if (size < 0 || size > 0xFFFF)
        return -EINVAL;
    const SetupPacket setup{std::uint8_t(requesttype), std::uint8_t(request), std::uint16_t(value),
                            std::uint16_t(index), std::uint16_t(size)};
    bool pullNow = false;
    const int result = adapter->transfer(setup, reinterpret_cast<std::uint8_t *>(bytes), timeout, pullNow);
    if (pullNow)
        pull(adapter);
    return result;
}

} // namespace sim
