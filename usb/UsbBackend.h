#pragma once
// The handful of libusb 0.1 calls the device link makes, behind one interface,
// so that the real library and the virtual adapter are interchangeable peers.
// Both speak in the library's own records (usb_bus, usb_device).
#include <QObject>
#include <cstdint>
#include <usb.h>

// One arrival or removal of a USB device, as the platform reports it.
struct DeviceNotice {
    enum Kind {
        Arrival,
        Removal
    };
    Kind kind = Arrival;
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    int busnum = -1; // -1: not known
    int devnum = -1;
};

class UsbBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~UsbBackend() override = default;

    virtual void init() = 0;
    virtual int findBusses() = 0;
    virtual int findDevices() = 0;
    virtual usb_bus *getBusses() = 0;
    virtual usb_dev_handle *open(struct usb_device *dev) = 0;
    virtual int close(usb_dev_handle *handle) = 0;
    virtual int getStringSimple(usb_dev_handle *handle, int index, char *buf, std::size_t buflen) = 0;
    virtual int controlMsg(usb_dev_handle *handle, int requesttype, int request, int value, int index, char *bytes,
                           int size, int timeout) = 0;

    // Why the last open() gave no handle: 0 after a successful open, EACCES
    // when the system denies this user access to the device, else an errno.
    int lastOpenError() const { return FLastOpenError; }

    // Bus and device number of a device record, as the platform's notices name them.
    static int busNumber(const struct usb_device *dev);
    static int deviceNumber(const struct usb_device *dev);

signals:
    // Raised on the GUI thread for every USB device that comes or goes.
    void deviceChanged(const DeviceNotice &notice);

protected:
    int FLastOpenError = 0;
};
