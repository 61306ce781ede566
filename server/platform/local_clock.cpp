#include "local_clock.h"

#include <windows.h>

namespace quorvane::server {

Moment LocalClock::Now() const {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DateSerial(now.wYear, now.wMonth, now.wDay) +
           TimeSerial(now.wHour, now.wMinute, now.wSecond);
}

} // namespace quorvane::server
