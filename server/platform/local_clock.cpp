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

// By the dynamic zone information, which holds the rules of every year, not only this one's:
// called only when the wall clock has gone back, to find when daylight saving ended.
Moment LocalClock::LocalAt(std::int64_t utc) const {
    const std::uint64_t ticks = static_cast<std::uint64_t>(utc) * 10'000'000;
    const FILETIME system{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    DYNAMIC_TIME_ZONE_INFORMATION zone;
    SYSTEMTIME universal, local;
    if (GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID ||
        !FileTimeToSystemTime(&system, &universal) ||
        !SystemTimeToTzSpecificLocalTimeEx(&zone, &universal, &local))
        return LocalTime() - UtcSeconds() + utc; // the offset of now: no change is found
    return DateSerial(local.wYear, local.wMonth, local.wDay) +
           TimeSerial(local.wHour, local.wMinute, local.wSecond);
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
