#pragma once
// Which adapter the program talks to, chosen once at start: the real one
// through libusb, or the virtual one with its --sim-* options.
#include <QString>
#include <QStringList>
#include <memory>

class UsbBackend;
namespace sim {
class Simulator;
}

class AdapterChoice {
public:
    AdapterChoice(bool simulator, const QStringList &simulatorOptions);
    ~AdapterChoice();

    bool isValid() const { return FError.isEmpty(); }
    QString error() const { return FError; }
    UsbBackend *backend() const { return FBackend.get(); }
    // The virtual adapter when the program runs on one, else null.
    sim::Simulator *simulator() const { return FSimulator; }

private:
    std::unique_ptr<UsbBackend> FBackend;
    sim::Simulator *FSimulator = nullptr;
    QString FError;
};
