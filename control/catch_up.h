// The catch-up after the wall clock went back: what the wall clock showed between two readings
// of the clocks, and the entries it owes a going-off because real time passed their moment
// before the clock went back.
#pragma once

#include "clock.h"
#include "schedule_list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// The clocks, read together.
struct ClockReading {
    Moment wall;
    std::uint64_t ms;
    std::int64_t utc;
};

class CatchUp {
public:
    // Whether the wall clock reads earlier at `now` than at `last` plus the time that really
    // passed between them; reads neither reading's system time. Inline, as every tick asks.
    static bool WentBack(const ClockReading &last, const ClockReading &now) {
        const Moment passed = Passed(last, now);
        return now.wall < last.wall + passed - Slack(passed);
    }
    // When the wall clock went back between the two readings, the last moment it showed before
    // it did: set by hand, the moment real time reached (last wall + time passed); when the
    // system time ran on and the zone's offset went down (daylight saving ended), the second
    // before the change, which the zone's rules place exactly.
    static std::optional<Moment> Reached(const Clock &clock, const ClockReading &last,
                                         const ClockReading &now);

    // Owes a going-off to every entry in `list` due by `reached`: it alone, as it is now, and
    // no entry added later. May fail for want of memory, and changes nothing then.
    void Owe(const ScheduleList &list, Moment reached);
    // The entry owed first in due order, or null; forgets those that have since moved on or left.
    const ScheduleList::Entry *Next(const ScheduleList &list) {
        return owed_.empty() ? nullptr : FirstOwed(list);
    }
    // The moment reached that `Next()`'s entry is owed for: it moves on past it.
    Moment Reached() const { return owed_.back().reached; }
    void Paid() { owed_.pop_back(); }
    void Clear() { owed_ = {}; }

private:
    // Whole seconds that really passed between the readings.
    static Moment Passed(const ClockReading &last, const ClockReading &now) {
        return static_cast<Moment>((now.ms - last.ms) / 1000);
    }
    // The two clocks tick apart by up to a second between readings, and a wall clock that is
    // being corrected runs up to a thousandth fast or slow: less than that is no change.
    static Moment Slack(Moment passed) { return 1 + passed / 1000; }
    const ScheduleList::Entry *FirstOwed(const ScheduleList &list);

    struct Owed {
        std::u16string name;
        DueKey due;
        Moment reached;
    };
    std::vector<Owed> owed_; // the last due first: the next to go off is at the back
};

} // namespace quorvane
