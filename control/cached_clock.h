// A clock that reads the local time once per second of system time, and the readings of the
// system it takes that from: the seam where tests stand in for the system.
#pragma once

#include "clock.h"

#include <cstdint>

namespace quorvane {

class CachedClock : public Clock {
public:
    // Reads the local time once per second of system time and answers from that reading for
    // the rest of the second: converting to local time costs far more than reading the system
    // time, and a host may add thousands of entries within one second. Within the second, the
    // tick count, a plain read of memory the system keeps current, tells whether the second
    // can have ended; the system time itself is a call into the system (under Wine, out of
    // the process's Windows side), which alone cost more than the rest of adding a daily
    // entry. So a change of the system time or zone shows within a second.
    Moment Now() const final;

    // How far the tick count may lag the time it stands for: the interval at which the system
    // updates it (15.6 ms on Windows, 16 ms under Wine), twice over.
    static constexpr std::uint32_t kTickLagMs = 32;

protected:
    // Milliseconds since the system started, wrapping after 49 days.
    virtual std::uint32_t TickCount() const = 0;
    // The system time (UTC) in 100 ns units since 1601.
    virtual std::uint64_t SystemTime() const = 0;
    // The local time, to the second.
    virtual Moment LocalTime() const = 0;

private:
    mutable std::uint64_t second_ = 0; // of system time, in seconds since 1601
    mutable Moment local_ = 0;
    mutable std::uint32_t read_at_ = 0;   // the tick count just before the system time was read
    mutable std::uint32_t fresh_for_ = 0; // ms after read_at_ that surely fall in second_
};

} // namespace quorvane
