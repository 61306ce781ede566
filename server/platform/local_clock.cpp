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

namespace {

// The local time of `universal` by the zone's rules for its year: the dynamic zone information
// holds the rules of every year, not only this one's. (SystemTimeToTzSpecificLocalTimeEx does
// both in one call, but Wine 8.0 has only a stub of it, which aborts the process.)
bool ToLocal(const SYSTEMTIME &universal, SYSTEMTIME &local) {
    DYNAMIC_TIME_ZONE_INFORMATION zone;
    TIME_ZONE_INFORMATION year;
    return GetDynamicTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID &&
           GetTimeZoneInformationForYear(universal.wYear, &zone, &year) &&
           SystemTimeToTzSpecificLocalTime(&year, &universal, &local);
}

} // namespace

// Called only when the wall clock has gone back, to find when daylight saving ended.
Moment LocalClock::LocalAt(std::int64_t utc) const {
    const std::uint64_t ticks = static_cast<std::uint64_t>(utc) * 10'000'000;
    const FILETIME system{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal, local;
    if (!FileTimeToSystemTime(&system, &universal) || !ToLocal(universal, local))
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
