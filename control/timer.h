// The control's timer, Timer1: an on/off switch and an interval in milliseconds, driving a
// platform timer service that delivers ticks on the control's thread.
#pragma once

#include <cstdint>

namespace quorvane {

// What the platform supplies: a periodic tick on the control's thread.
class TimerService {
public:
    virtual ~TimerService() = default;
    // Starts ticking every `period_ms` milliseconds, restarting the countdown if it ticked.
    // Throws std::bad_alloc when the platform has no timer to give, ticking as before.
    virtual void Start(std::uint32_t period_ms) = 0;
    virtual void Stop() = 0;
};

// The service runs exactly while the timer is on and its interval is positive: an interval
// of 0 or below reads back as written but pauses the ticks, as a host author expects of
// "no interval". Switching on a timer that is already on keeps its countdown, so that adding
// entries faster than the interval never starves the ticks; a new interval restarts the
// countdown with the new period. A change the service cannot make changes nothing.
class Timer1 {
public:
    explicit Timer1(TimerService &service) : service_(service) {}
    Timer1(const Timer1 &) = delete;
    Timer1 &operator=(const Timer1 &) = delete;

    bool Enabled() const { return enabled_; }
    std::int32_t Interval() const { return interval_; }
    bool Running() const { return running_; }

    void SetEnabled(bool on);
    void SetInterval(std::int32_t ms);

private:
    void Apply(bool enabled, std::int32_t interval, bool restart);

    TimerService &service_;
    bool enabled_ = false;
    std::int32_t interval_ = 0;
    bool running_ = false;
};

} // namespace quorvane
