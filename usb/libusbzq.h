#pragma once
// The search for the adapter over the libusb 0.1 lists, and opening and
// closing it: the three small routines the device link is built on.
#include <cstdint>
#include <usb.h>

class UsbBackend;

struct TUSBDev {
    usb_bus *bus = nullptr;           // search cursor; the adapter's bus after a successful search
    struct usb_device *dev = nullptr; // search cursor; the adapter's record after a successful search
    usb_dev_handle *handle = nullptr;
    std::uint16_t VID = 0;
    std::uint16_t PID = 0;
};

void InitUSBDev(UsbBackend &usb, TUSBDev &d);
bool OpenUSBDev(UsbBackend &usb, TUSBDev &d);
bool CloseUSBDev(UsbBackend &usb, TUSBDev &d);
// Whether a device with these numbers is on the bus now (the library's lists are refreshed).
bool USBDevPresent(UsbBackend &usb, int busnum, int devnum);
