// The control's clock: the machine's local time, to the second.
#pragma once

#include "clock.h"

namespace quorvane::server {

class LocalClock final : public Clock {
public:
    Moment Now() const override;
};

} // namespace quorvane::server
