// The control's clock: the machine's local time, to the second, read from the system.
#pragma once

#include "cached_clock.h"

namespace quorvane::server {

class LocalClock final : public CachedClock {
public:
    std::uint64_t MonotonicMs() const override;
    std::int64_t UtcSeconds() const override;
    Moment LocalAt(std::int64_t utc) const override;

protected:
    std::uint32_t TickCount() const override;
    std::uint64_t SystemTime() const override;
    Moment LocalTime() const override;
};

} // namespace quorvane::server
