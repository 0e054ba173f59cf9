#include "libusbzq.h"

#include "UsbBackend.h"

void InitUSBDev(UsbBackend &usb, TUSBDev &d)
{
    d.dev = nullptr;
    d.handle = nullptr;
    usb.init();
}

// The first matching device in bus and device order is the one opened; a
// match that cannot be opened ends the search, later ones are not tried.
bool OpenUSBDev(UsbBackend &usb, TUSBDev &d)
{
    usb.findBusses();
    usb.findDevices();
    d.dev = nullptr;
    d.handle = nullptr;
    for (d.bus = usb.getBusses(); d.bus; d.bus = d.bus->next) {
        for (struct usb_device *dev = d.bus->devices; dev; dev = dev->next) {
            if (dev->descriptor.idVendor == d.VID && dev->descriptor.idProduct == d.PID) {
                d.dev = dev;
                d.handle = usb.open(dev);
                return d.handle != nullptr;
            }
        }
    }
    return false;
}

// A handle whose close failed is no use either: it is forgotten all the same,
// so nothing is sent through it again.
bool CloseUSBDev(UsbBackend &usb, TUSBDev &d)
{
    if (!d.handle)
        return false;
    const bool closed = usb.close(d.handle) == 0;
    d.dev = nullptr;
    d.handle = nullptr;
    return closed;
}

bool USBDevPresent(UsbBackend &usb, int busnum, int devnum)
{
    usb.findBusses();
    usb.findDevices();
    for (usb_bus *bus = usb.getBusses(); bus; bus = bus->next)
        for (struct usb_device *dev = bus->devices; dev; dev = dev->next)
            if (UsbBackend::busNumber(dev) == busnum && UsbBackend::deviceNumber(dev) == devnum)
                return true;
    return false;
}
