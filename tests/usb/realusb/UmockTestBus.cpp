#include "UmockTestBus.h"

#include "Firmware.h"
#include "VirtualAdapter.h"

#include <QSignalSpy>
#include <algorithm>

UmockTestBus::UmockTestBus() : FUsb(std::make_unique<LibUsbBackend>()) {}

UmockTestBus::~UmockTestBus() = default;

sim::VirtualAdapter *UmockTestBus::addAdapter(sim::AdapterIdentity identity)
{
    FAdapters.push_back(
        std::make_unique<sim::VirtualAdapter>(std::make_unique<sim::EchoFirmware>(), std::move(identity)));
    return FAdapters.back().get();
}

bool UmockTestBus::heard(sim::VirtualAdapter *adapter, DeviceNotice::Kind kind, const std::function<void()> &change)
{
    QSignalSpy notices(FUsb.get(), &UsbBackend::deviceChanged);
    const int busnum = adapter->busnum();
    change();
    const int devnum = adapter->devnum();
    return waitFor([&] {
        return std::any_of(notices.begin(), notices.end(), [&](const QList<QVariant> &args) {
            const auto n = args.at(0).value<DeviceNotice>();
            return n.kind == kind && n.busnum == busnum && n.devnum == devnum;
        });
    });
}

bool UmockTestBus::plug(sim::VirtualAdapter *adapter)
{
    return heard(adapter, DeviceNotice::Arrival, [&] { FTestbed.plug(*adapter); });
}

bool UmockTestBus::pull(sim::VirtualAdapter *adapter)
{
    return heard(adapter, DeviceNotice::Removal, [&] { FTestbed.pull(*adapter); });
}

TestBusFactory UmockTestBus::factory()
{
    return [](QString &whyNot) -> std::unique_ptr<TestBus> {
        auto bus = std::make_unique<UmockTestBus>();
        if (bus->FTestbed.isActive())
            return bus;
        whyNot = QStringLiteral("umockdev's preload is not active: run this test through umockdev-wrapper");
        return nullptr;
    };
}
