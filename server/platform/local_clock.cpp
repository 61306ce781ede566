#include "local_clock.h"

#include <windows.h>

namespace quorvane::server {

namespace {

// How far the tick count may lag the time it stands for: the interval at which the system
// updates it (15.6 ms on Windows, 16 ms under Wine), twice over.
constexpr std::uint32_t kTickLagMs = 32;

} // namespace

Moment LocalClock::Now() const {
    const std::uint32_t tick = GetTickCount();
    if (tick - read_at_ < fresh_for_) // unsigned, so the count's wrap after 49 days is no harm
        return local_;
    FILETIME system;
    GetSystemTimeAsFileTime(&system);
    constexpr std::uint64_t kTicksPerSecond = 10'000'000, kTicksPerMs = 10'000;
    const std::uint64_t ticks = std::uint64_t{system.dwHighDateTime} << 32 | system.dwLowDateTime;
    const std::uint64_t second = ticks / kTicksPerSecond;
    if (second != second_) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        local_ = DateSerial(now.wYear, now.wMonth, now.wDay) +
                 TimeSerial(now.wHour, now.wMinute, now.wSecond);
        second_ = second;
    }
    const auto left_ms = static_cast<std::uint32_t>(1000 - ticks % kTicksPerSecond / kTicksPerMs);
    read_at_ = tick;
    fresh_for_ = left_ms > kTickLagMs ? left_ms - kTickLagMs : 0;
    return local_;
}

} // namespace quorvane::server
