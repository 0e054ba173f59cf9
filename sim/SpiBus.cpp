#include "SpiBus.h"

#include <iterator>

namespace sim {

void SpiBus::attach(SpiDevice *device, Select wiring) { FDevices.push_back({device, wiring, false}); }

void SpiBus::reset()
{
    FTaken = false;
    FClockCode = 0;
    FMicrowireSelected = false;
    FA0 = false;
    for (Wired &w : FDevices) {
        w.selected = false;
        w.device->reset();
    }
}

void SpiBus::take(int clockCode)
{
    FTaken = true;
    FClockCode = clockCode;
    updateSelects();
}

void SpiBus::release()
{
    FTaken = false;
    FMicrowireSelected = false;
    updateSelects();
}

void SpiBus::selectMicrowire(bool selected)
{
    FMicrowireSelected = selected;
    updateSelects();
}

void SpiBus::setA0(bool data)
{
    FA0 = data;
    for (Wired &w : FDevices)
        w.device->setA0(data);
}

void SpiBus::updateSelects()
{
    const bool microwire = FTaken && FMicrowireSelected;
    const bool display = FTaken && !FMicrowireSelected;
    for (Wired &w : FDevices) {
        const bool level = w.wiring == Select::Microwire ? microwire : display;
        if (level != w.selected) {
            w.selected = level;
            w.device->select(level);
        }
    }
}

// MISO is open to every chip and pulled up: a released line reads 1.
bool SpiBus::clockBit(bool dataIn)
{
    bool miso = true;
    for (const Wired &w : FDevices)
        if (w.selected && w.device->dataOut() == DataOut::Low)
            miso = false;
    for (Wired &w : FDevices)
        if (w.selected)
            w.device->clock(dataIn);
    return miso;
}

void SpiBus::sendByte(std::uint8_t byte) { shift(byte, 8); }

std::int64_t SpiBus::shiftNs(int clockCode, int n)
{
    constexpr std::int64_t kCpuHz = 12000000;
    constexpr std::int64_t kSoftBitNs = 10000;
    constexpr int kDividers[] = {4, 16, 64, 128, 2, 8, 32, 64};
    if (clockCode < 0 || clockCode >= int(std::size(kDividers)))
        return n * kSoftBitNs;
    return n * kDividers[clockCode] * std::int64_t(1000000000) / kCpuHz;
}

std::uint16_t SpiBus::shift(std::uint16_t bits, int n)
{
    FWireNs += shiftNs(FClockCode, n);
    std::uint16_t in = 0;
    for (int i = n - 1; i >= 0; --i)
        in = std::uint16_t(in << 1 | (clockBit((bits >> i) & 1) ? 1 : 0));
    return in;
}

} // namespace sim
