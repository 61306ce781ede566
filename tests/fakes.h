// Test doubles for the control's seams: a clock the test sets, a timer service whose ticks
// the test delivers by hand, and a host that records every RunTime.
#pragma once

#include "automation_error.h"
#include "clock.h"
#include "events.h"
#include "schedule.h"
#include "timer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace quorvane::testing {

// Set() moves the wall clock and the system time, as setting the clock would; Pass() lets real
// time pass, moving every clock; a change of `zone` (seconds east of UTC) moves the wall clock
// alone. ChangeZoneAt() gives the zone a rule, as daylight saving does: Pass() changes the zone
// when the system time reaches the change, and LocalAt() answers by that rule.
class FakeClock : public Clock {
public:
    Moment Now() const override {
        ++reads;
        return now;
    }
    std::uint64_t MonotonicMs() const override { return ms; }
    std::int64_t UtcSeconds() const override { return now - zone; }
    Moment LocalAt(std::int64_t utc) const override {
        ++rule_reads;
        return utc + (utc < change_at ? zone_before : zone);
    }
    void Pass(Moment seconds) {
        const std::int64_t from = UtcSeconds();
        now += seconds;
        ms += static_cast<std::uint64_t>(seconds) * 1000;
        if (from < change_at && UtcSeconds() >= change_at) {
            now += zone_after - zone;
            zone = zone_after;
        }
    }
    // From the system time `utc` on, the zone is `after` seconds east of UTC.
    void ChangeZoneAt(std::int64_t utc, Moment after) {
        change_at = utc;
        zone_before = zone;
        zone_after = after;
    }
    void Set(std::int32_t y, std::int32_t mo, std::int32_t d, std::int32_t h = 0,
             std::int32_t mi = 0, std::int32_t s = 0) {
        now = DateSerial(y, mo, d) + TimeSerial(h, mi, s);
    }
    Moment now = 0;
    std::uint64_t ms = 0;
    Moment zone = 0;
    mutable int reads = 0;
    mutable int rule_reads = 0;

private:
    std::int64_t change_at = INT64_MIN;
    Moment zone_before = 0, zone_after = 0;
};

class FakeTimerService : public TimerService {
public:
    // Throws std::bad_alloc, ticking as before, while `failing_starts` counts down.
    void Start(std::uint32_t period_ms) override {
        if (failing_starts > 0) {
            --failing_starts;
            throw std::bad_alloc();
        }
        running = true;
        period = period_ms;
        ++starts;
    }
    void Stop() override { running = false; }
    bool running = false;
    std::uint32_t period = 0;
    int starts = 0;
    int failing_starts = 0;
};

// Records each RunTime and runs an optional action inside the handler.
class RecordingEvents : public SingleListenerEvents {
public:
    void RunTime(std::u16string &key) override {
        fired.push_back(key);
        if (on_run_time)
            on_run_time(key);
    }
    std::vector<std::u16string> fired;
    std::function<void(std::u16string &)> on_run_time;
};

// A control with its fakes, as a COM owner would hold it.
struct Rig {
    FakeClock clock;
    FakeTimerService timer;
    RecordingEvents events;
    Schedule schedule{clock, timer, events};
    // A tick as the platform would deliver it: only while the service runs.
    void Tick() {
        if (timer.running)
            schedule.Timer1_Timer();
    }
};

// A control whose clock stands at Monday 2026-12-07 12:00:00.
class ScheduleTest : public ::testing::Test {
protected:
    ScheduleTest() { rig.clock.Set(2026, 12, 7, 12, 0, 0); }
    Rig rig;
    Schedule &s = rig.schedule;
};

// Runs `action` and returns the Automation error it raised; fails the test if none.
AutomationError ErrorOf(const std::function<void()> &action);

} // namespace quorvane::testing
