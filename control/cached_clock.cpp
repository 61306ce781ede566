#include "cached_clock.h"

namespace quorvane {

Moment CachedClock::Now() const {
    const std::uint32_t tick = TickCount();
    if (tick - read_at_ < fresh_for_) // unsigned, so the count's wrap after 49 days is no harm
        return local_;
    constexpr std::uint64_t kTicksPerSecond = 10'000'000, kTicksPerMs = 10'000;
    const std::uint64_t ticks = SystemTime();
    const std::uint64_t second = ticks / kTicksPerSecond;
    if (second != second_) {
        local_ = LocalTime();
        second_ = second;
    }
    // The tick count may lag: the second is trusted only to its last kTickLagMs.
    const auto left_ms = static_cast<std::uint32_t>(1000 - ticks % kTicksPerSecond / kTicksPerMs);
    read_at_ = tick;
    fresh_for_ = left_ms > kTickLagMs ? left_ms - kTickLagMs : 0;
    return local_;
}

} // namespace quorvane
