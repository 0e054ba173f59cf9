#pragma once
// The adapter's SPI/Microwire lines: SCK and MOSI shared by every chip,
// MISO with a pull-up, and two chip selects. The Microwire chip's CS
// (active high) follows request 152; the display's /CS is active whenever
// the lines are taken and the Microwire chip is not selected, as the
// display callers rely on being addressed from 150 to 151 without a select
// request of their own. Released lines (after 151) deselect both.
//
// Every bit is clocked mode-0 style, most significant first: MOSI is set,
// MISO sampled, then SCK rises. Sampling before the rising edge reads the
// bit a Microwire chip put out after the previous rising edge (its data
// sheets have DO change after the rising SK edge), so the READ instruction
// leaves the dummy 0 for the next shift and each data shift then reads its
// bits whole.
#include <cstdint>
#include <vector>

namespace sim {

// The level a chip drives onto MISO.
enum class DataOut {
    Low,
    High,
    Released
};

class SpiDevice {
public:
    virtual ~SpiDevice() = default;
    // The chip's select line changed; true = the chip is selected.
    virtual void select(bool selected) = 0;
    // A rising SCK edge with this MOSI level.
    virtual void clock(bool dataIn) = 0;
    virtual DataOut dataOut() const { return DataOut::Released; }
    // The display's A0 (data/command) line.
    virtual void setA0(bool) {}
    // Power-on: bus state cleared, memory kept.
    virtual void reset() = 0;
};

class SpiBus {
public:
    enum class Select {
        Microwire,
        Display
    };

    void attach(SpiDevice *device, Select wiring);
    void reset();

    bool taken() const { return FTaken; }
    int clockCode() const { return FClockCode; }
    bool a0() const { return FA0; }
    void take(int clockCode);
    void release();
    void selectMicrowire(bool selected);
    void setA0(bool data);

    void sendByte(std::uint8_t byte);
    // Clocks the low n bits of bits out, bit n-1 first; returns the n bits
    // read from MISO, the first in bit n-1.
    std::uint16_t shift(std::uint16_t bits, int n);

    // Nanoseconds the bits clocked so far took at their clock codes. Codes
    // 0..7 divide the board's 12 MHz crystal (AVR SPI: bit 2 doubles the
    // rate, bits 1..0 pick 4, 16, 64 or 128); code 8 clocks the lines in
    // software, modelled at 10 us a bit (100 kHz), well inside every
    // 93Cxx part's limit.
    std::int64_t wireNs() const { return FWireNs; }
    // Nanoseconds n bits take at a clock code, rounded down.
    static std::int64_t shiftNs(int clockCode, int n);

private:
    struct Wired {
        SpiDevice *device;
        Select wiring;
        bool selected;
    };

    bool clockBit(bool dataIn);
    void updateSelects();

    std::vector<Wired> FDevices;
    bool FTaken = false;
    int FClockCode = 0;
    bool FMicrowireSelected = false;
    bool FA0 = false;
    std::int64_t FWireNs = 0;
};

} // namespace sim
