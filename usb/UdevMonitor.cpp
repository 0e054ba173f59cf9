#include "UdevMonitor.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <libudev.h>

namespace {
using Lookup = UdevMonitor::PropertyLookup;

int propertyNumber(const Lookup &property, const char *name, int base)
{
    const char *value = property(name);
    if (!value)
        return -1;
    bool ok = false;
    const int n = QByteArray(value).toInt(&ok, base);
    return ok ? n : -1;
}

// A vendor or product number is four hex digits; anything wider is no USB identifier.
int identifierNumber(const QByteArray &text)
{
    bool ok = false;
    const uint n = text.toUInt(&ok, 16);
    return (ok && n <= 0xFFFF) ? int(n) : -1;
}

int identifierProperty(const Lookup &property, const char *name)
{
    const char *value = property(name);
    return value ? identifierNumber(value) : -1;
}
} // namespace

// Listens to the "udev" source, so a node's permissions are already applied
// when its arrival is heard.
UdevMonitor::UdevMonitor(QObject *parent) : QObject(parent)
{
    FUdev = udev_new();
    if (!FUdev) {
        giveUp("udev_new");
        return;
    }
    FMonitor = udev_monitor_new_from_netlink(FUdev, "udev");
    if (!FMonitor) {
        giveUp("udev_monitor_new_from_netlink");
        return;
    }
    udev_monitor_filter_add_match_subsystem_devtype(FMonitor, "usb", "usb_device");
    if (udev_monitor_enable_receiving(FMonitor) < 0) {
        giveUp("udev_monitor_enable_receiving");
        return;
    }
    FNotifier = new QSocketNotifier(udev_monitor_get_fd(FMonitor), QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &UdevMonitor::readEvents);
}

// Without notices the program still works: the search at start finds an
// adapter that is plugged in; only plugging and pulling go unheard.
void UdevMonitor::giveUp(const char *step)
{
    qWarning("udev could not be set up (%s failed: %s): adapter plug and pull are not followed; "
             "an adapter plugged in before the start is still found",
             step, std::strerror(errno));
}

UdevMonitor::~UdevMonitor()
{
    delete FNotifier;
    if (FMonitor)
        udev_monitor_unref(FMonitor);
    if (FUdev)
        udev_unref(FUdev);
}

bool UdevMonitor::noticeFromDevice(udev_device *device, DeviceNotice &notice)
{
    return noticeFromProperties(
        udev_device_get_action(device),
        [device](const char *name) { return udev_device_get_property_value(device, name); }, notice);
}

bool UdevMonitor::noticeFromProperties(const char *action, const PropertyLookup &property, DeviceNotice &notice)
{
    if (!action)
        return false;
    if (std::strcmp(action, "add") == 0)
        notice.kind = DeviceNotice::Arrival;
    else if (std::strcmp(action, "remove") == 0)
        notice.kind = DeviceNotice::Removal;
    else
        return false;
    int vid = identifierProperty(property, "ID_VENDOR_ID");
    int pid = identifierProperty(property, "ID_MODEL_ID");
    // PRODUCT is "vid/pid/bcd" in hexadecimal and is there even without udev's usb-id builtin.
    if (vid < 0 || pid < 0) {
        const QList<QByteArray> product = QByteArray(property("PRODUCT")).split('/');
        if (product.size() < 2)
            return false;
        vid = identifierNumber(product[0]);
        pid = identifierNumber(product[1]);
    }
    if (vid < 0 || pid < 0)
        return false;
    notice.vid = quint16(vid);
    notice.pid = quint16(pid);
    notice.busnum = propertyNumber(property, "BUSNUM", 10);
    notice.devnum = propertyNumber(property, "DEVNUM", 10);
    return true;
}

void UdevMonitor::readEvents()
{
    while (udev_device *device = udev_monitor_receive_device(FMonitor)) {
        DeviceNotice notice;
        const bool usable = noticeFromDevice(device, notice);
        udev_device_unref(device);
        if (usable)
            emit deviceChanged(notice);
    }
}
