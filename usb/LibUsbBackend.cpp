#include "LibUsbBackend.h"

#include "UdevMonitor.h"

#include <QByteArray>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Where libusb 0.1 looks for the usbfs device nodes on Linux.
QByteArray usbfsRoot()
{
    const QByteArray configured = qgetenv("USB_DEVFS_PATH");
    return configured.isEmpty() ? QByteArrayLiteral("/dev/bus/usb") : configured;
}

// libusb 0.1 opens a node it may not write read-only and hands back a handle
// on which every transfer fails. Asking the node first, with this thread's own
// rights (ownership, mode, ACLs), tells such an adapter apart. Any other answer
// leaves the decision to the library.
int nodeWriteError(const struct usb_device *dev)
{
    if (!dev || !dev->bus)
        return 0;
    const QByteArray path = usbfsRoot() + '/' + dev->bus->dirname + '/' + dev->filename;
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return 0;
    }
    return (errno == EACCES || errno == EPERM) ? EACCES : 0;
}
} // namespace

LibUsbBackend::LibUsbBackend(QObject *parent) : UsbBackend(parent), FMonitor(new UdevMonitor(this))
{
    connect(FMonitor, &UdevMonitor::deviceChanged, this, &UsbBackend::deviceChanged);
}

void LibUsbBackend::init() { usb_init(); }
int LibUsbBackend::findBusses() { return usb_find_busses(); }
int LibUsbBackend::findDevices() { return usb_find_devices(); }
usb_bus *LibUsbBackend::getBusses() { return usb_get_busses(); }
usb_dev_handle *LibUsbBackend::open(struct usb_device *dev)
{
    FLastOpenError = nodeWriteError(dev);
    if (FLastOpenError)
        return nullptr;
    errno = 0;
    usb_dev_handle *handle = usb_open(dev);
    if (!handle)
        FLastOpenError = (errno == EACCES || errno == EPERM) ? EACCES : (errno ? errno : EIO);
    return handle;
}
int LibUsbBackend::close(usb_dev_handle *handle) { return usb_close(handle); }

int LibUsbBackend::getStringSimple(usb_dev_handle *handle, int index, char *buf, std::size_t buflen)
{
    return usb_get_string_simple(handle, index, buf, buflen);
}

int LibUsbBackend::controlMsg(usb_dev_handle *handle, int requesttype, int request, int value, int index, char *bytes,
                              int size, int timeout)
{
    return usb_control_msg(handle, requesttype, request, value, index, bytes, size, timeout);
}
