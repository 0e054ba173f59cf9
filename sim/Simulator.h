#pragma once
// The virtual adapter the program runs on with --simulator: a SimBackend
// with one RZT-USBasp plugged in, running the bridge firmware with its chips.
#include "BridgeFirmware.h"
#include "SimBackend.h"
#include "SimulatorOptions.h"

#include <QDateTime>
#include <QStringList>
#include <memory>

namespace sim {

class Simulator : public SimBackend {
    Q_OBJECT
public:
    // Plugs in one adapter with these chips. clock null: the chips run on
    // the system's steady clock; otherwise on the given one, which must
    // outlive the simulator.
    explicit Simulator(const BusPopulation &population = {}, VirtualClock *clock = nullptr);
    ~Simulator() override;

    // Null, with error set, when the options cannot be understood or the
    // log file cannot be written. The clock chip starts at the host's time.
    static std::unique_ptr<Simulator> fromArguments(const QStringList &arguments, QString &error);

    VirtualAdapter *adapter() const { return FAdapter; }
    BridgeFirmware &firmware() const { return *FFirmware; }
    // Sets the clock chip as the program's clock page would: time and date
    // (weekday 0 = Sunday), year counter = year mod 4, and the rest of the
    // year in RAM 0x10 (high byte) and 0x11. Nothing when no clock is fitted.
    void setClockFrom(const QDateTime &local);

private:
    std::unique_ptr<VirtualClock> FOwnClock;
    VirtualAdapter *FAdapter = nullptr;
    BridgeFirmware *FFirmware = nullptr;
};

} // namespace sim
