#include "TestBus.h"

#include "Firmware.h"

#include <QCoreApplication>
#include <QTest>

bool TestBus::waitFor(const std::function<bool()> &condition) { return QTest::qWaitFor(condition, 10000); }

sim::VirtualAdapter *SimTestBus::addAdapter(sim::AdapterIdentity identity)
{
    return FUsb.addAdapter(std::make_unique<sim::EchoFirmware>(), std::move(identity));
}

bool SimTestBus::plug(sim::VirtualAdapter *adapter)
{
    FUsb.plug(adapter);
    QCoreApplication::processEvents();
    return true;
}

bool SimTestBus::pull(sim::VirtualAdapter *adapter)
{
    FUsb.pull(adapter);
    QCoreApplication::processEvents();
    return true;
}

TestBusFactory SimTestBus::factory()
{
    return [](QString &) { return std::make_unique<SimTestBus>(); };
}
