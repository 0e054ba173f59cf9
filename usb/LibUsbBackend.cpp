#include "LibUsbBackend.h"

#include "UdevMonitor.h"

LibUsbBackend::LibUsbBackend(QObject *parent) : UsbBackend(parent), FMonitor(new UdevMonitor(this))
{
    connect(FMonitor, &UdevMonitor::deviceChanged, this, &UsbBackend::deviceChanged);
}

void LibUsbBackend::init() { usb_init(); }
int LibUsbBackend::findBusses() { return usb_find_busses(); }
int LibUsbBackend::findDevices() { return usb_find_devices(); }
usb_bus *LibUsbBackend::getBusses() { return usb_get_busses(); }
usb_dev_handle *LibUsbBackend::open(struct usb_device *dev) { return usb_open(dev); }
int LibUsbBackend::close(usb_dev_handle *handle) { return usb_close(handle); }

int LibUsbBackend::getStringSimple(usb_dev_handle *handle, int index, char *buf, std::size_t buflen)
{
    return usb_get_string_simple(handle, index, buf, buflen);
}

int LibUsbBackend::controlMsg(usb_dev_handle *handle, int requesttype, int request, int value, int index,
                              char *bytes, int size, int timeout)
{
    return usb_control_msg(handle, requesttype, request, value, index, bytes, size, timeout);
}
