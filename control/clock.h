// The clock seam: where the control reads the current moment.
#pragma once

#include "calendar.h"

namespace quorvane {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local wall-clock moment, to the second.
    virtual Moment Now() const = 0;
};

} // namespace quorvane
