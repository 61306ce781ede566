#include "timer.h"

namespace quorvane {

void Timer1::SetEnabled(bool on) {
    if (on == enabled_)
        return;
    Apply(on, interval_, false);
    enabled_ = on;
}

void Timer1::SetInterval(std::int32_t ms) {
    if (ms == interval_)
        return;
    Apply(enabled_, ms, true);
    interval_ = ms;
}

void Timer1::Apply(bool enabled, std::int32_t interval, bool restart) {
    const bool run = enabled && interval > 0;
    if (run && (!running_ || restart))
        service_.Start(static_cast<std::uint32_t>(interval));
    else if (!run && running_)
        service_.Stop();
    running_ = run;
}

} // namespace quorvane
