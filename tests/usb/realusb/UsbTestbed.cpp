// Built with QT_NO_KEYWORDS: GIO's headers name struct members "signals".
#include "UsbTestbed.h"

#include "VirtualAdapter.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <linux/capability.h>
#include <linux/usbdevice_fs.h>
#include <map>
#include <mutex>
#include <set>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kGetDescriptor = 6;
constexpr std::uint8_t kStandardIn = 0x80;
constexpr std::uint8_t kTypeMask = 0x60;
constexpr std::uint8_t kTypeVendor = 0x40;
constexpr std::uint8_t kDescDevice = 1;
constexpr std::uint8_t kDescConfig = 2;
constexpr std::uint8_t kDescString = 3;

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char *fmt, ...)
{
    char buf[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

std::string hex(const Bytes &bytes)
{
    std::string out;
    for (std::uint8_t b : bytes)
        out += format("%02X", b);
    return out;
}

void appendWord(Bytes &bytes, std::uint16_t word)
{
    bytes.push_back(std::uint8_t(word & 0xFF));
    bytes.push_back(std::uint8_t(word >> 8));
}

// USBasp: vendor-specific device, 8-byte endpoint 0, one configuration with
// one interface and no endpoints besides endpoint 0.
Bytes adapterDeviceDescriptor(const sim::AdapterIdentity &id)
{
    Bytes d = {18, kDescDevice, 0x10, 0x01, 0xFF, 0x00, 0x00, 8};
    appendWord(d, id.vid);
    appendWord(d, id.pid);
    appendWord(d, id.bcdDevice);
    d.insert(d.end(), {1, 2, 3, 1});
    return d;
}

Bytes adapterConfigDescriptor()
{
    return {9, kDescConfig, 18, 0, 1, 1, 0, 0x80, 50, // bus powered, 100 mA
            9, 4,           0,  0, 0, 0, 0, 0,    0};
}

Bytes rootHubDescriptors()
{
    return {18, kDescDevice, 0x00, 0x02, 0x09,        0x00, 0x01, 64, 0x6B, 0x1D, 0x02, 0x00, 0x06, 0x06, 3,
            2,  1,           1,    9,    kDescConfig, 25,   0,    1,  1,    0,    0xE0, 0,    9,    4,    0,
            0,  1,           0x09, 0,    0,           0,    7,    5,  0x81, 3,    4,    0,    12};
}

// Index 0 is the language table (US English); an empty text is a string the
// adapter lacks, which it stalls like any other unknown index.
Bytes stringDescriptor(const sim::AdapterIdentity &id, int index)
{
    if (index == 0)
        return {4, kDescString, 0x09, 0x04};
    if (index > id.strings.size() || id.strings[index - 1].isEmpty())
        return {};
    const QString text = id.strings[index - 1].left(126);
    Bytes d = {std::uint8_t(2 + 2 * text.size()), kDescString};
    for (QChar c : text)
        appendWord(d, c.unicode());
    return d;
}

int descriptor(const sim::AdapterIdentity &id, const sim::SetupPacket &setup, std::uint8_t *data)
{
    const int type = setup.wValue >> 8;
    const Bytes desc = type == kDescDevice   ? adapterDeviceDescriptor(id)
                       : type == kDescConfig ? adapterConfigDescriptor()
                       : type == kDescString ? stringDescriptor(id, setup.wValue & 0xFF)
                                             : Bytes{};
    if (desc.empty())
        return -EPIPE;
    const std::size_t n = std::min<std::size_t>(desc.size(), setup.wLength);
    std::copy_n(desc.begin(), n, data);
    return int(n);
}

std::string devnodeOf(int busnum, int devnum) { return format("/dev/bus/usb/%03d/%03d", busnum, devnum); }

// Device numbers stay unique across testbeds in one process: libusb 0.1 keeps
// its device list between searches and knows a device by its file name only.
int nextDevnum()
{
    static int devnum = 1;
    devnum = devnum >= 127 ? 2 : devnum + 1;
    return devnum;
}

// What a client's open file stands for: a node seen by the handler thread.
struct Binding {
    sim::VirtualAdapter *adapter = nullptr;
    int generation = 0;
    int devnum = 0;
    bool readOnly = false;
};

struct Plug {
    std::string syspath;
    std::string devnode;
};

} // namespace

struct UsbTestbed::Impl {
    UMockdevTestbed *testbed = nullptr;
    UMockdevIoctlBase *handler = nullptr;
    std::string root;
    bool active = false;

    // Guards all below, the testbed calls and the adapters on the handler thread.
    mutable std::mutex mutex;
    std::map<std::string, Binding> nodes;
    std::map<const sim::VirtualAdapter *, Plug> plugged;
    std::map<const sim::VirtualAdapter *, int> ports;
    std::set<int> hubs;
    std::vector<std::string> log;

    void addRecord(const std::string &record);
    void addRootHub(int busnum);
    int portOf(const sim::VirtualAdapter &adapter);
    std::string adapterRecord(const sim::VirtualAdapter &adapter, const std::string &syspath, int devnum);
    void pullLocked(sim::VirtualAdapter &adapter);

    int answer(UMockdevIoctlClient *client, const Binding &b, bool &pullNow);
    int control(UMockdevIoctlClient *client, const Binding &b, bool &pullNow, std::string &what);
    int connectInfo(UMockdevIoctlClient *client, const Binding &b);
};

namespace {

void onClientConnected(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data)
{
    auto *d = static_cast<UsbTestbed::Impl *>(data);
    std::lock_guard<std::mutex> lock(d->mutex);
    const auto it = d->nodes.find(umockdev_ioctl_client_get_devnode(client));
    auto *binding = new Binding(it == d->nodes.end() ? Binding{} : it->second);
    g_object_set_data_full(G_OBJECT(client), "brindle-binding", binding,
                           [](gpointer p) { delete static_cast<Binding *>(p); });
}

gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data)
{
    auto *d = static_cast<UsbTestbed::Impl *>(data);
    const auto *binding = static_cast<const Binding *>(g_object_get_data(G_OBJECT(client), "brindle-binding"));
    std::lock_guard<std::mutex> lock(d->mutex);
    bool pullNow = false;
    const int result = d->answer(client, binding ? *binding : Binding{}, pullNow);
    umockdev_ioctl_client_complete(client, result >= 0 ? result : -1, result >= 0 ? 0 : -result);
    if (pullNow)
        d->pullLocked(*binding->adapter);
    return TRUE;
}

UMockdevIoctlData *resolve(UMockdevIoctlData *data, std::size_t offset, std::size_t length)
{
    return umockdev_ioctl_data_resolve(data, offset, length, nullptr);
}

// usbfs answers a node whose device is gone with ENODEV, and any ioctl on a
// node opened read-only with EPERM.
int refusal(const Binding &b)
{
    const bool live = b.adapter && b.adapter->isPlugged() && b.adapter->generation() == b.generation;
    return !live ? -ENODEV : b.readOnly ? -EPERM : 0;
}
} // namespace

int UsbTestbed::Impl::answer(UMockdevIoctlClient *client, const Binding &b, bool &pullNow)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    std::string what = format("ioctl %#lx", request);
    int result = -ENOTTY;
    if (request == USBDEVFS_CONTROL) {
        result = control(client, b, pullNow, what);
    } else if (request == USBDEVFS_CONNECTINFO) {
        what = "CONNECTINFO";
        result = refusal(b) ? refusal(b) : connectInfo(client, b);
    } else if (request == USBDEVFS_IOCTL) {
        what = "IOCTL"; // libusb asks every device for the ports of its hub driver
        result = refusal(b) ? refusal(b) : -ENOSYS;
    }
    log.push_back(what + format(" -> %d", result));
    return result;
}

int UsbTestbed::Impl::connectInfo(UMockdevIoctlClient *client, const Binding &b)
{
    UMockdevIoctlData *arg = resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(usbdevfs_connectinfo));
    if (!arg)
        return -EFAULT;
    auto *info = reinterpret_cast<usbdevfs_connectinfo *>(arg->data);
    info->devnum = unsigned(b.devnum);
    info->slow = 1; // the USBasp is a low-speed device
    g_object_unref(arg);
    return 0;
}

// Standard GET_DESCRIPTOR is the business of the device's USB core; vendor
// requests go to the adapter's firmware; everything else stalls.
int UsbTestbed::Impl::control(UMockdevIoctlClient *client, const Binding &b, bool &pullNow, std::string &what)
{
    UMockdevIoctlData *arg = resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(usbdevfs_ctrltransfer));
    if (!arg)
        return -EFAULT;
    const auto *ct = reinterpret_cast<const usbdevfs_ctrltransfer *>(arg->data);
    const sim::SetupPacket setup{ct->bRequestType, ct->bRequest, ct->wValue, ct->wIndex, ct->wLength};
    what = format("CONTROL %02x %u v=%04x i=%04x l=%u t=%u", setup.bmRequestType, setup.bRequest, setup.wValue,
                  setup.wIndex, setup.wLength, ct->timeout);
    UMockdevIoctlData *stage =
        setup.wLength ? resolve(arg, offsetof(usbdevfs_ctrltransfer, data), setup.wLength) : nullptr;
    std::uint8_t none = 0; // a zero-length stage still hands the firmware a buffer, as SimBackend does
    std::uint8_t *data = stage ? stage->data : &none;
    int result = refusal(b);
    if (!result && setup.wLength && !stage)
        result = -EFAULT;
    else if (!result && (setup.bmRequestType & kTypeMask) == kTypeVendor)
        result = b.adapter->transfer(setup, data, int(ct->timeout), pullNow);
    else if (!result && setup.bmRequestType == kStandardIn && setup.bRequest == kGetDescriptor)
        result = descriptor(b.adapter->identity(), setup, data);
    else if (!result)
        result = -EPIPE;
    if (stage)
        g_object_unref(stage);
    g_object_unref(arg);
    return result;
}

void UsbTestbed::Impl::addRecord(const std::string &record)
{
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, record.c_str(), &error)) {
        std::fprintf(stderr, "umockdev rejected a device: %s\n", error ? error->message : "?");
        g_clear_error(&error);
    }
}

// Without a root hub's node libusb 0.1 finds no usbfs at usb_init() and never
// looks again.
void UsbTestbed::Impl::addRootHub(int busnum)
{
    if (!hubs.insert(busnum).second)
        return;
    addRecord(format("P: /devices/usb%d\n"
                     "N: bus/usb/%03d/001=%s\n"
                     "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=/dev/bus/usb/%03d/001\n"
                     "E: BUSNUM=%03d\nE: DEVNUM=001\nE: PRODUCT=1d6b/2/606\n"
                     "A: idVendor=1d6b\\n\nA: idProduct=0002\\n\nA: busnum=%d\\n\nA: devnum=1\\n\n",
                     busnum, busnum, hex(rootHubDescriptors()).c_str(), busnum, busnum, busnum));
}

int UsbTestbed::Impl::portOf(const sim::VirtualAdapter &adapter)
{
    const auto it = ports.find(&adapter);
    if (it != ports.end())
        return it->second;
    int port = 1;
    for (const auto &[other, p] : ports)
        port += other->busnum() == adapter.busnum() ? 1 : 0;
    return ports[&adapter] = port;
}

// The properties and attributes the kernel and udev's usb-id builtin give a
// usb_device; the node holds the descriptors, as usbfs reads them back.
std::string UsbTestbed::Impl::adapterRecord(const sim::VirtualAdapter &adapter, const std::string &syspath, int devnum)
{
    const sim::AdapterIdentity &id = adapter.identity();
    Bytes descriptors = adapterDeviceDescriptor(id);
    const Bytes config = adapterConfigDescriptor();
    descriptors.insert(descriptors.end(), config.begin(), config.end());
    const int bus = adapter.busnum();
    return format("P: %s\n"
                  "N: bus/usb/%03d/%03d=%s\n"
                  "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=/dev/bus/usb/%03d/%03d\n"
                  "E: BUSNUM=%03d\nE: DEVNUM=%03d\nE: PRODUCT=%x/%x/%x\nE: TYPE=255/0/0\n"
                  "E: ID_VENDOR_ID=%04x\nE: ID_MODEL_ID=%04x\nE: ID_REVISION=%04x\n"
                  "A: idVendor=%04x\\n\nA: idProduct=%04x\\n\nA: bcdDevice=%04x\\n\n"
                  "A: busnum=%d\\n\nA: devnum=%d\\n\nA: speed=1.5\\n\n"
                  "H: descriptors=%s\n",
                  syspath.c_str() + 4, bus, devnum, hex(descriptors).c_str(), bus, devnum, bus, devnum, id.vid, id.pid,
                  id.bcdDevice, id.vid, id.pid, id.bcdDevice, id.vid, id.pid, id.bcdDevice, bus, devnum,
                  hex(descriptors).c_str());
}

void UsbTestbed::Impl::pullLocked(sim::VirtualAdapter &adapter)
{
    const auto it = plugged.find(&adapter);
    if (it == plugged.end())
        return;
    adapter.unplug();
    umockdev_testbed_uevent(testbed, it->second.syspath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed, it->second.syspath.c_str());
    ::unlink((root + it->second.devnode).c_str());
    plugged.erase(it);
}

UsbTestbed::UsbTestbed() : d(std::make_unique<Impl>())
{
    d->testbed = umockdev_testbed_new();
    gchar *root = umockdev_testbed_get_root_dir(d->testbed);
    d->root = root;
    g_free(root);
    d->handler = umockdev_ioctl_base_new();
    g_signal_connect(d->handler, "client-connected", G_CALLBACK(onClientConnected), d.get());
    g_signal_connect(d->handler, "handle-ioctl", G_CALLBACK(onIoctl), d.get());
    std::lock_guard<std::mutex> lock(d->mutex);
    // Every testbed has the same buses: libusb 0.1 frees a bus that vanished
    // between two searches but not the devices it listed on it.
    d->addRootHub(1);
    d->addRootHub(2);
    // /sys is wholly the testbed's under the preload, so only then is this visible.
    const std::string marker = "/sys/brindle-testbed";
    if (FILE *f = std::fopen((d->root + marker).c_str(), "w"))
        std::fclose(f);
    d->active = ::access(marker.c_str(), F_OK) == 0;
}

UsbTestbed::~UsbTestbed()
{
    g_signal_handlers_disconnect_by_data(d->handler, d.get());
    g_object_unref(d->testbed);
    g_object_unref(d->handler);
}

bool UsbTestbed::isActive() const { return d->active; }

void UsbTestbed::plug(sim::VirtualAdapter &adapter, Access access)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (d->plugged.count(&adapter))
        return;
    const int bus = adapter.busnum();
    d->addRootHub(bus);
    const int devnum = nextDevnum();
    const Plug plug{format("/sys/devices/usb%d/%d-%d", bus, bus, d->portOf(adapter)), devnodeOf(bus, devnum)};
    // Attached before the node exists, so no client can open it unanswered.
    GError *error = nullptr;
    if (!umockdev_testbed_attach_ioctl(d->testbed, plug.devnode.c_str(), d->handler, &error)) {
        std::fprintf(stderr, "umockdev cannot answer %s: %s\n", plug.devnode.c_str(), error ? error->message : "?");
        g_clear_error(&error);
    }
    adapter.plugAs(devnum, nullptr);
    d->nodes[plug.devnode] = Binding{&adapter, adapter.generation(), devnum, access == Access::ReadOnly};
    d->plugged[&adapter] = plug;
    // umockdev sends the "add" notice itself; the test thread hears it only
    // once this returns, when the node has its mode, as udev would have it.
    d->addRecord(d->adapterRecord(adapter, plug.syspath, devnum));
    ::chmod((d->root + plug.devnode).c_str(), access == Access::ReadOnly ? 0444 : 0664);
}

void UsbTestbed::pull(sim::VirtualAdapter &adapter)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->pullLocked(adapter);
}

std::vector<std::string> UsbTestbed::ioctlLog() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->log;
}

void UsbTestbed::clearIoctlLog()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->log.clear();
}

namespace {
constexpr std::uint32_t kDacOverride = 1u << CAP_DAC_OVERRIDE;

// The calling thread's capabilities: capset acts on one thread only.
bool readCaps(__user_cap_header_struct &header, __user_cap_data_struct *data)
{
    header = {_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool hasDacOverride()
{
    __user_cap_header_struct header;
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    return readCaps(header, data) && (data[0].effective & kDacOverride);
}

void setDacOverride(bool on)
{
    __user_cap_header_struct header;
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (!readCaps(header, data))
        return;
    data[0].effective =
        on ? (data[0].effective | (data[0].permitted & kDacOverride)) : (data[0].effective & ~kDacOverride);
    syscall(SYS_capset, &header, data);
}
} // namespace

OrdinaryFileRights::OrdinaryFileRights() : FDropped(hasDacOverride())
{
    if (FDropped)
        setDacOverride(false);
}

OrdinaryFileRights::~OrdinaryFileRights()
{
    if (FDropped)
        setDacOverride(true);
}

bool OrdinaryFileRights::inForce() const { return !hasDacOverride(); }
