#include "UsbBackend.h"

#include <cstdlib>

namespace {
int decimalName(const char *text)
{
    char *end = nullptr;
    const long n = std::strtol(text, &end, 10);
    return (end != text && *end == '\0') ? int(n) : -1;
}
} // namespace

// libusb 0.1 names buses and devices by their usbfs folder and file ("001", "005").
int UsbBackend::busNumber(const struct usb_device *dev)
{
    return (dev && dev->bus) ? decimalName(dev->bus->dirname) : -1;
}

int UsbBackend::deviceNumber(const struct usb_device *dev) { return dev ? decimalName(dev->filename) : -1; }
