// The clock seam: where the control reads the current moment, and how much time really passed.
#pragma once

#include "calendar.h"

#include <cstdint>

namespace quorvane {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local wall-clock moment, to the second.
    virtual Moment Now() const = 0;
    // Milliseconds on a clock that no change of the system time, the zone or daylight saving
    // moves: the difference of two readings is the time that really passed between them.
    virtual std::uint64_t MonotonicMs() const = 0;
    // The system time, in seconds: the wall clock without the zone. A change of daylight saving
    // moves the wall clock alone; setting the clock moves both.
    virtual std::int64_t UtcSeconds() const = 0;
    // The wall clock at the system time `utc` (as UtcSeconds counts it), by the zone's rules
    // as they stand now: what tells when daylight saving began or ended between two readings.
    virtual Moment LocalAt(std::int64_t utc) const = 0;
};

} // namespace quorvane
