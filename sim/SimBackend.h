#pragma once
// The virtual adapters' front door: the same backend interface the link uses
// for the real library. Adapters are plugged and pulled at run time; each
// plug or pull is announced like a platform notice, through the event loop.
#include "UsbBackend.h"
#include "VirtualAdapter.h"

#include <map>
#include <memory>
#include <vector>

namespace sim {

class SimBackend : public UsbBackend {
    Q_OBJECT
public:
    explicit SimBackend(QObject *parent = nullptr);
    ~SimBackend() override;

    VirtualAdapter *addAdapter(std::unique_ptr<Firmware> firmware, AdapterIdentity identity = {});
    void plug(VirtualAdapter *adapter);
    void pull(VirtualAdapter *adapter);
    // A pull whose removal notice never comes, as when the platform drops
    // notices (udev's socket overflowing).
    void pullUnheard(VirtualAdapter *adapter);
    const std::vector<std::unique_ptr<VirtualAdapter>> &adapters() const { return FAdapters; }
    int openHandles() const { return int(FHandles.size()); }

    void init() override {}
    int findBusses() override;
    int findDevices() override;
    usb_bus *getBusses() override { return FBusList; }
    usb_dev_handle *open(struct usb_device *dev) override;
    int close(usb_dev_handle *handle) override;
    int getStringSimple(usb_dev_handle *handle, int index, char *buf, std::size_t buflen) override;
    int controlMsg(usb_dev_handle *handle, int requesttype, int request, int value, int index, char *bytes, int size,
                   int timeout) override;

private:
    struct Handle {
        VirtualAdapter *adapter;
        int generation;
    };

    usb_bus *busRecord(int busnum);
    VirtualAdapter *liveAdapter(usb_dev_handle *handle) const;
    void announce(VirtualAdapter *adapter, DeviceNotice::Kind kind);

    std::vector<std::unique_ptr<VirtualAdapter>> FAdapters;
    std::map<int, std::unique_ptr<usb_bus>> FBuses;
    usb_bus *FBusList = nullptr;
    std::map<usb_dev_handle *, std::unique_ptr<Handle>> FHandles;
    int FNextDevnum = 2; // 1 is the root hub
};

} // namespace sim
