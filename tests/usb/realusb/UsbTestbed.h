#pragma once
// An emulated USB bus for the unmodified libusb 0.1 and libudev, built on
// umockdev: its preload library (the test runs under umockdev-wrapper) shows
// them the device nodes, sysfs entries and udev notices made here, and every
// usbfs ioctl on an adapter's node is answered by that adapter's virtual
// firmware, the same sim::VirtualAdapter that SimBackend serves.
//
// The ioctls are answered on umockdev's own worker thread (it has a private
// GLib main context), so a test may block in usb_control_msg on its thread.
//
// The interface stays free of GLib: GIO's headers clash with Qt's keywords.
#include <memory>
#include <string>
#include <vector>

namespace sim {
class VirtualAdapter;
}

class UsbTestbed {
public:
    enum class Access {
        ReadWrite, // the udev rule gave the user the node
        ReadOnly,  // no rule: mode 0444, so libusb 0.1 falls back to a read-only handle
    };

    // Must be made before usb_init() and before a udev monitor binds its socket.
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed &) = delete;
    UsbTestbed &operator=(const UsbTestbed &) = delete;

    // False when the process does not run under umockdev's preload.
    bool isActive() const;

    // The adapter's node appears with a fresh device number on its bus, the
    // way udev leaves it, then udev's "add" notice is sent. Ioctls on a node
    // opened while it was read-only fail with EPERM, as usbfs answers them.
    void plug(sim::VirtualAdapter &adapter, Access access = Access::ReadWrite);
    // The "remove" notice is sent while the device still exists, then it goes.
    void pull(sim::VirtualAdapter &adapter);

    // One line per usbfs ioctl issued on the adapters' nodes and its answer
    // (a count, or a negative errno), for example
    // "CONTROL c0 104 v=00a0 i=0000 l=3 t=5000 -> 3".
    std::vector<std::string> ioctlLog() const;
    void clearIoctlLog();

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

// While alive, the calling thread is held to file permissions even when it
// runs as root (as CI does): CAP_DAC_OVERRIDE leaves its effective set.
class OrdinaryFileRights {
public:
    OrdinaryFileRights();
    ~OrdinaryFileRights();
    OrdinaryFileRights(const OrdinaryFileRights &) = delete;
    OrdinaryFileRights &operator=(const OrdinaryFileRights &) = delete;

    // False where the capability could not be given up (a sandbox forbidding capset).
    bool inForce() const;

private:
    bool FDropped = false;
};
