#include "timer.h"

namespace quorvane {

void Timer1::SetEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    Apply(false);
}

void Timer1::SetInterval(std::int32_t ms) {
    if (ms == interval_)
        return;
    interval_ = ms;
    Apply(true);
}

void Timer1::Apply(bool restart) {
    const bool run = enabled_ && interval_ > 0;
    if (run && (!running_ || restart))
        service_.Start(static_cast<std::uint32_t>(interval_));
    else if (!run && running_)
        service_.Stop();
    running_ = run;
}

} // namespace quorvane
