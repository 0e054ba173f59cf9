#pragma once
// The virtual adapter the program runs on with --simulator: a SimBackend with
// one adapter plugged in, set up from the command line.
#include "SimBackend.h"

#include <QStringList>
#include <memory>

namespace sim {

class Simulator : public SimBackend {
    Q_OBJECT
public:
    // Null, with error set, when the options cannot be understood.
    static std::unique_ptr<Simulator> fromArguments(const QStringList &arguments, QString &error);

    VirtualAdapter *adapter() const { return FAdapter; }

private:
    VirtualAdapter *FAdapter = nullptr;
};

} // namespace sim
