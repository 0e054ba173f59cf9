#include "AdapterChoice.h"

#include "LibUsbBackend.h"
#include "Simulator.h"

AdapterChoice::AdapterChoice(const QStringList &arguments)
{
    if (wantsSimulator(arguments)) {
        auto simulator = sim::Simulator::fromArguments(arguments, FError);
        FSimulator = simulator.get();
        FBackend = std::move(simulator);
    } else {
        FBackend = std::make_unique<LibUsbBackend>();
    }
}

AdapterChoice::~AdapterChoice() = default;

bool AdapterChoice::wantsSimulator(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("--simulator")) || qEnvironmentVariableIntValue("BRINDLE_SIMULATOR") == 1;
}
