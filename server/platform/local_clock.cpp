#include "local_clock.h"

#include <windows.h>

namespace quorvane::server {

std::uint32_t LocalClock::TickCount() const {
    return GetTickCount();
}

// Counts on through a change of the system time and through sleep, as the wall clock does.
std::uint64_t LocalClock::MonotonicMs() const {
    return GetTickCount64();
}

std::int64_t LocalClock::UtcSeconds() const {
    return static_cast<std::int64_t>(SystemTime() / 10'000'000);
}

std::uint64_t LocalClock::SystemTime() const {
    FILETIME system;
    GetSystemTimeAsFileTime(&system);
    return std::uint64_t{system.dwHighDateTime} << 32 | system.dwLowDateTime;
}

Moment LocalClock::LocalTime() const {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DateSerial(now.wYear, now.wMonth, now.wDay) +
           TimeSerial(now.wHour, now.wMinute, now.wSecond);
}

} // namespace quorvane::server
