#include "Simulator.h"

namespace sim {

std::unique_ptr<Simulator> Simulator::fromArguments(const QStringList &arguments, QString &error)
{
    Q_UNUSED(arguments);
    error.clear();
    auto simulator = std::make_unique<Simulator>();
    simulator->FAdapter = simulator->addAdapter(std::make_unique<EchoFirmware>());
    simulator->plug(simulator->FAdapter);
    return simulator;
}

} // namespace sim
