#include "VirtualClock.h"

#include <chrono>

namespace sim {

std::int64_t SteadyClock::nowUs() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace sim
