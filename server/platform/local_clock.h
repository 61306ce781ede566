// The control's clock: the machine's local time, to the second.
#pragma once

#include "clock.h"

#include <cstdint>

namespace quorvane::server {

class LocalClock final : public Clock {
public:
    // Reads the local time once per second of system time and answers from that reading for
    // the rest of the second: converting to local time costs far more than reading the
    // system time, and a host may add thousands of entries within one second.
    Moment Now() const override;

private:
    mutable std::uint64_t second_ = 0; // of system time, in 100 ns units since 1601
    mutable Moment local_ = 0;
};

} // namespace quorvane::server
