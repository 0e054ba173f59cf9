#pragma once
// Time for the chip models. The program runs them on the real monotonic
// clock; tests use a manual clock they advance exactly.
#include <cstdint>

namespace sim {

class VirtualClock {
public:
    virtual ~VirtualClock() = default;
    virtual std::int64_t nowUs() const = 0;
};

class SteadyClock : public VirtualClock {
public:
    std::int64_t nowUs() const override;
};

class ManualClock : public VirtualClock {
public:
    std::int64_t nowUs() const override { return FNowUs; }
    void advanceUs(std::int64_t us) { FNowUs += us; }
    void advanceMs(std::int64_t ms) { FNowUs += ms * 1000; }

private:
    std::int64_t FNowUs = 0;
};

} // namespace sim
