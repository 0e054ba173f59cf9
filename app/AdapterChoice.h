#pragma once
// Which adapter the program talks to, chosen once at start: the real one
// through libusb, or the virtual one (--simulator or BRINDLE_SIMULATOR=1).
#include <QString>
#include <QStringList>
#include <memory>

class UsbBackend;
namespace sim {
class Simulator;
}

class AdapterChoice {
public:
    explicit AdapterChoice(const QStringList &arguments);
    ~AdapterChoice();

    bool isValid() const { return FError.isEmpty(); }
    UsbBackend *backend() const { return FBackend.get(); }
    // The virtual adapter when the program runs on one, else null.
    sim::Simulator *simulator() const { return FSimulator; }
    QString error() const { return FError; }
    static bool wantsSimulator(const QStringList &arguments);

private:
    std::unique_ptr<UsbBackend> FBackend;
    sim::Simulator *FSimulator = nullptr;
    QString FError;
};
