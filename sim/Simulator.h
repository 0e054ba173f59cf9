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
    // year in RAM 0x10 (high byte) and 0x11. The DS13xx, if fitted, gets
    // the same time in 24 h form, weekday 1 = Monday, running, its
    // oscillator-stop flag cleared. Nothing for a clock not fitted.
    void setClockFrom(const QDateTime &local);
    // The clock chip's date and time as the program's clock page reads them;
    // invalid when no clock is fitted or its counters make no date.
    QDateTime clockTime() const;

    // The state file named by --sim-state; empty when there is none to save.
    QString stateFile() const { return FStateFile; }
    // What went wrong loading the state file at start; empty when nothing did.
    QString stateMessage() const { return FStateMessage; }
    // Loads the chips' memories and the clock from file; a missing file is
    // no fault. A file that cannot be read as a state changes nothing, is
    // not saved over, and leaves the reason in stateMessage().
    void loadState(const QString &file);
    // Writes the state to the file loadState was given; false with error
    // set when it cannot. Nothing (true) when there is no file to write.
    bool saveState(QString &error) const;

private:
    std::unique_ptr<VirtualClock> FOwnClock;
    VirtualAdapter *FAdapter = nullptr;
    BridgeFirmware *FFirmware = nullptr;
    QString FStateFile;
    QString FStateMessage;
};

} // namespace sim
