#include "local_clock.h"

#include <windows.h>

namespace quorvane::server {

Moment LocalClock::Now() const {
    FILETIME system;
    GetSystemTimeAsFileTime(&system);
    constexpr std::uint64_t kTicksPerSecond = 10'000'000;
    const std::uint64_t second =
        (std::uint64_t{system.dwHighDateTime} << 32 | system.dwLowDateTime) / kTicksPerSecond;
    if (second != second_) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        local_ = DateSerial(now.wYear, now.wMonth, now.wDay) +
                 TimeSerial(now.wHour, now.wMinute, now.wSecond);
        second_ = second;
    }
    return local_;
}

} // namespace quorvane::server
