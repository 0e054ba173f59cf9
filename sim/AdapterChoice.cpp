#include "AdapterChoice.h"

#include "LibUsbBackend.h"
#include "Simulator.h"

AdapterChoice::AdapterChoice(bool simulator, const QStringList &simulatorOptions)
{
    if (!simulator) {
        FBackend = std::make_unique<LibUsbBackend>();
        return;
    }
    auto virtualAdapter = sim::Simulator::fromArguments(simulatorOptions, FError);
    FSimulator = virtualAdapter.get();
    FBackend = std::move(virtualAdapter);
}

AdapterChoice::~AdapterChoice() = default;
