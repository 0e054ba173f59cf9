#pragma once
// Which adapter the program talks to, chosen once at start: the real one
// through libusb, or the virtual one (--simulator or BRINDLE_SIMULATOR=1).
#include <QString>
#include <QStringList>
#include <memory>

class UsbBackend;

class AdapterChoice {
public:
    explicit AdapterChoice(const QStringList &arguments);
    ~AdapterChoice();

    bool isValid() const { return FError.isEmpty(); }
    QString error() const { return FError; }
    static bool wantsSimulator(const QStringList &arguments);

private:
    std::unique_ptr<UsbBackend> FBackend;
    QString FError;
};
