#pragma once
// The real adapter path: Debian's libusb 0.1 and, on Linux, udev's notices.
#include "UsbBackend.h"

class UdevMonitor;

class LibUsbBackend : public UsbBackend {
    Q_OBJECT
public:
    explicit LibUsbBackend(QObject *parent = nullptr);

    void init() override;
    int findBusses() override;
    int findDevices() override;
    usb_bus *getBusses() override;
    usb_dev_handle *open(struct usb_device *dev) override;
    int close(usb_dev_handle *handle) override;
    int getStringSimple(usb_dev_handle *handle, int index, char *buf, std::size_t buflen) override;
    int controlMsg(usb_dev_handle *handle, int requesttype, int request, int value, int index, char *bytes, int size,
                   int timeout) override;

private:
    UdevMonitor *FMonitor = nullptr;
};
