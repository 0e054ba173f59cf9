#pragma once
// The real road as a TestBus: Debian's libusb 0.1 and libudev, unmodified,
// over the bus umockdev emulates. A change counts as announced once the
// backend has heard udev's notice of it.
#include "LibUsbBackend.h"
#include "TestBus.h"
#include "UsbTestbed.h"

#include <vector>

class UmockTestBus : public TestBus {
public:
    UmockTestBus();
    ~UmockTestBus() override;

    UsbBackend &backend() override { return *FUsb; }
    sim::VirtualAdapter *addAdapter(sim::AdapterIdentity identity = {}) override;
    bool plug(sim::VirtualAdapter *adapter) override;
    bool pull(sim::VirtualAdapter *adapter) override;

    // Null where the process does not run under umockdev's preload.
    static TestBusFactory factory();

private:
    bool heard(sim::VirtualAdapter *adapter, DeviceNotice::Kind kind, const std::function<void()> &change);

    // Outlive the testbed that serves them.
    std::vector<std::unique_ptr<sim::VirtualAdapter>> FAdapters;
    // The testbed comes before the library's first usb_init() and before the
    // backend's udev monitor binds its socket.
    UsbTestbed FTestbed;
    std::unique_ptr<LibUsbBackend> FUsb;
};
