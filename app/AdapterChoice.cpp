#include "AdapterChoice.h"

#include "LibUsbBackend.h"
#include "Simulator.h"

AdapterChoice::AdapterChoice(const QStringList &arguments)
{
    if (wantsSimulator(arguments)) {
        FBackend = sim::Simulator::fromArguments(arguments, FError);
    } else {
        FBackend = std::make_unique<LibUsbBackend>();
    }
    setDefaultUsbBackend(FBackend.get());
}

AdapterChoice::~AdapterChoice() { setDefaultUsbBackend(nullptr); }

bool AdapterChoice::wantsSimulator(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("--simulator")) || qEnvironmentVariableIntValue("BRINDLE_SIMULATOR") == 1;
}
