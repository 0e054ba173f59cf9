#pragma once
// A USB bus a test plugs virtual adapters into, seen by the link through one
// backend: the simulator's own, or the real libusb and udev under an emulated
// bus. Scenarios written against this run unchanged on both roads.
#include "SimBackend.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class TestBus {
public:
    virtual ~TestBus() = default;

    virtual UsbBackend &backend() = 0;
    // A new adapter whose firmware echoes, not plugged yet.
    virtual sim::VirtualAdapter *addAdapter(sim::AdapterIdentity identity = {}) = 0;
    // Each returns once the backend has announced the change (false: it never did).
    virtual bool plug(sim::VirtualAdapter *adapter) = 0;
    virtual bool pull(sim::VirtualAdapter *adapter) = 0;
    // Handles the backend holds open, where it can tell.
    virtual std::optional<int> openHandles() const { return std::nullopt; }

    // Runs the event loop until the condition holds, for as long as a platform
    // notice may take.
    static bool waitFor(const std::function<bool()> &condition);
};

// Null, with the reason in whyNot, where the bus cannot be had here.
using TestBusFactory = std::function<std::unique_ptr<TestBus>(QString &whyNot)>;

class SimTestBus : public TestBus {
public:
    UsbBackend &backend() override { return FUsb; }
    sim::VirtualAdapter *addAdapter(sim::AdapterIdentity identity = {}) override;
    bool plug(sim::VirtualAdapter *adapter) override;
    bool pull(sim::VirtualAdapter *adapter) override;
    std::optional<int> openHandles() const override { return FUsb.openHandles(); }

    static TestBusFactory factory();

private:
    sim::SimBackend FUsb;
};
