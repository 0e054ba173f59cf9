#pragma once
// The bench every chip test stands on: one simulated adapter with the chips
// of a BusPopulation on a manual clock, reached through the device link with
// the protocol's requests as the program sends them. Plug on construction,
// operate, read the chips, pull on destruction.
#include "BridgeFirmware.h"
#include "Simulator.h"
#include "ZqLibUSB.h"

#include <QByteArray>
#include <QMetaType>
#include <memory>

Q_DECLARE_METATYPE(sim::Eeprom24Type)
Q_DECLARE_METATYPE(sim::Eeprom93Type)
Q_DECLARE_METATYPE(sim::Organisation)

class SimBench {
public:
    // Manual: the chips' time moves only when a test advances clock.
    // Steady: they run on the host's clock, for code that waits in real time
    // (write cycles, ready polling); clock is then not used.
    enum class ChipTime {
        Manual,
        Steady
    };

    explicit SimBench(const sim::BusPopulation &population = {}, ChipTime time = ChipTime::Manual);
    ~SimBench();

    sim::ManualClock clock;
    sim::SteadyClock steadyClock;

    bool connected() const { return FLink->Connected(); }
    sim::Simulator &simulator() { return *FSim; }
    sim::BridgeFirmware &firmware() { return FSim->firmware(); }
    TZqLibUSB &link() { return *FLink; }
    void pull();
    void replug();

    // Host-to-device request with data staged in DevBuffer; wLength is the
    // data's size unless given. Returns the transfer's result as the adapter
    // gave it.
    int write(int request, int value, int index, const QByteArray &data = {}, int length = -1);
    // Device-to-host request; the reply is in DevBuffer. Returns the result.
    int read(int request, int value, int index, int length);
    QByteArray buffer(int n) const { return FLink->DevBuffer.left(n); }

    // I2C: 103 of data, 104 of n bytes (empty on failure), 102 of one SSD1306 command byte.
    int i2cWrite(int device, int index, const QByteArray &data) { return write(103, device, index, data); }
    QByteArray i2cRead(int device, int index, int n);
    int oledCommand(std::uint8_t command) { return write(102, 0x78, command << 8, {}, 254); }

    // Microwire: 150 with the soft clock, 152 and 158 as the 93Cxx engine sends them.
    void openLines(int code = 8) { write(150, code, 0, {}, 1); }
    void closeLines() { write(151, 8, 0, {}, 1); }
    void select(bool on) { write(152, on ? 1 : 0, 0); }
    // Returns DevBuffer bytes 0 and 1 as one word.
    std::uint16_t shift(std::uint16_t bits, int n, int length = 2);

    // ST7565 as its driver talks: 153 then 155 for a command, 153 then 157 for data.
    void lcdCommand(std::uint8_t command);
    void lcdData(const QByteArray &bytes);

private:
    void settle();

    std::unique_ptr<sim::Simulator> FSim;
    std::unique_ptr<TZqLibUSB> FLink;
};

// A frame with something in every byte and no symmetry, so that any mirror,
// shift or lost byte shows.
QByteArray testFrame();
QByteArray inverted(QByteArray frame);
