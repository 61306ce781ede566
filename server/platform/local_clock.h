// The control's clock: the machine's local time, to the second.
#pragma once

#include "clock.h"

#include <cstdint>

namespace quorvane::server {

class LocalClock final : public Clock {
public:
    // Reads the local time once per second of system time and answers from that reading for
    // the rest of the second: converting to local time costs far more than reading the system
    // time, and a host may add thousands of entries within one second. Within the second, the
    // tick count, a plain read of memory the system keeps current, tells whether the second
    // can have ended; the system time itself is a call into the system (under Wine, out of
    // the process's Windows side), which alone cost more than the rest of adding a daily
    // entry. So a change of the system time or zone shows within a second.
    Moment Now() const override;

private:
    mutable std::uint64_t second_ = 0; // of system time, in seconds since 1601
    mutable Moment local_ = 0;
    mutable std::uint32_t read_at_ = 0;   // the tick count just before the system time was read
    mutable std::uint32_t fresh_for_ = 0; // ms after read_at_ that surely fall in second_
};

} // namespace quorvane::server
