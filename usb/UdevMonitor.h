#pragma once
// USB device arrivals and removals from udev, read on the GUI thread.
#include "UsbBackend.h"

#include <QObject>
#include <functional>

struct udev;
struct udev_monitor;
struct udev_device;
class QSocketNotifier;

class UdevMonitor : public QObject {
    Q_OBJECT
public:
    explicit UdevMonitor(QObject *parent = nullptr);
    ~UdevMonitor() override;

    bool isWatching() const { return FNotifier != nullptr; }

    // The notice a udev "add"/"remove" of a usb_device stands for; false for other events.
    static bool noticeFromDevice(udev_device *device, DeviceNotice &notice);
    // The same from the event's action and a lookup of its properties (null: absent).
    using PropertyLookup = std::function<const char *(const char *name)>;
    static bool noticeFromProperties(const char *action, const PropertyLookup &property, DeviceNotice &notice);

signals:
    void deviceChanged(const DeviceNotice &notice);

private:
    void readEvents();
    void giveUp(const char *step);

    udev *FUdev = nullptr;
    udev_monitor *FMonitor = nullptr;
    QSocketNotifier *FNotifier = nullptr;
};
