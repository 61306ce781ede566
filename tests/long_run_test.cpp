// Ten simulated years of minute ticks, and what a host sees when the local clock jumps.
#include "fakes.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using testing::Rig;

struct Firing {
    std::u16string name;
    Moment at;
    bool operator==(const Firing &) const = default;
    bool operator<(const Firing &o) const { return at != o.at ? at < o.at : name < o.name; }
};

// Moments of the civil calendar computed with the standard library, independently of the
// control's own calendar.
Moment CivilMoment(std::chrono::sys_days day, int h, int mi, int s) {
    using namespace std::chrono;
    return (day - sys_days{year{1899} / December / 30}).count() * 86400 + h * 3600 + mi * 60 + s;
}

TEST(LongRun, TenYearsOfMinuteTicksFireEveryOccurrenceOnceAndOnTime) {
    using namespace std::chrono;
    Rig rig;
    const sys_days first = year{2026} / December / 7;
    const sys_days last = year{2036} / December / 6;
    const Moment start = CivilMoment(first, 0, 0, 7); // ticks at second 7 of every minute
    const Moment end = CivilMoment(last, 23, 59, 59);
    rig.clock.now = start;
    Schedule &s = rig.schedule;
    s.SetInterval(1); // any positive interval: the test delivers the ticks
    s.AddSchedule(u"daily", schEveryDay, 0, 0, 0, 0, 8, 30, 15);
    s.AddSchedule(u"on the tick", schEveryDay, 0, 0, 0, 0, 6, 0, 7);
    s.AddSchedule(u"wednesday", schEveryWeek, 0, 0, 3, 0, 17, 45, 0);
    s.AddSchedule(u"28th", schEveryMonth, 0, 0, 0, 28, 0, 0, 0);
    s.AddSchedule(u"1st", schEveryMonth, 0, 0, 0, 1, 23, 59, 59);
    s.AddSchedule(u"leap day", schAppointTime, 2028, 2, 0, 29, 12, 0, 0);
    s.AddSchedule(u"last", schAppointTime, 2036, 12, 0, 6, 23, 58, 0);

    std::vector<Firing> fired;
    rig.events.on_run_time = [&](std::u16string &key) { fired.push_back({key, rig.clock.now}); };
    for (Moment now = start; now <= end; now += 60) {
        rig.clock.now = now;
        rig.Tick();
    }

    // Each occurrence T goes off at the first tick strictly after T.
    const auto first_tick_after = [&](Moment t) { return start + ((t - start) / 60 + 1) * 60; };
    std::vector<Firing> expected;
    const auto occurs = [&](const char16_t *name, sys_days day, int h, int mi, int sec) {
        const Moment t = CivilMoment(day, h, mi, sec);
        if (t >= start && first_tick_after(t) <= end)
            expected.push_back({name, first_tick_after(t)});
    };
    for (sys_days day = first; day <= last; day += days{1}) {
        const year_month_day ymd{day};
        occurs(u"daily", day, 8, 30, 15);
        occurs(u"on the tick", day, 6, 0, 7);
        if (weekday{day} == Wednesday)
            occurs(u"wednesday", day, 17, 45, 0);
        if (ymd.day() == std::chrono::day{28})
            occurs(u"28th", day, 0, 0, 0);
        if (ymd.day() == std::chrono::day{1})
            occurs(u"1st", day, 23, 59, 59);
    }
    occurs(u"leap day", year{2028} / February / 29, 12, 0, 0);
    occurs(u"last", last, 23, 58, 0);
    std::sort(expected.begin(), expected.end());
    std::sort(fired.begin(), fired.end());
    EXPECT_GT(expected.size(), 3650u * 2);
    ASSERT_EQ(fired.size(), expected.size());
    EXPECT_TRUE(fired == expected);
    EXPECT_EQ(s.Entries().size(), 5u);
}

class ClockChangeTest : public ::testing::Test {
protected:
    void At(int y, int mo, int d, int h, int mi, int s) {
        rig.clock.Set(y, mo, d, h, mi, s);
        rig.Tick();
    }
    std::vector<std::u16string> Fired() { return std::exchange(rig.events.fired, {}); }
    Rig rig;
    Schedule &s = rig.schedule;
};

// Falling back an hour repeats local times: what went off does not go off again.
TEST_F(ClockChangeTest, BackAnHourFiresNothingTwice) {
    rig.clock.Set(2026, 11, 1, 0, 0, 0);
    s.AddSchedule(u"1:30", schEveryDay, 0, 0, 0, 0, 1, 30);
    s.AddSchedule(u"1:45", schEveryDay, 0, 0, 0, 0, 1, 45);
    At(2026, 11, 1, 1, 40, 0);
    EXPECT_EQ(Fired(), std::vector<std::u16string>{u"1:30"});
    At(2026, 11, 1, 1, 0, 0); // clocks go back
    At(2026, 11, 1, 1, 35, 0);
    EXPECT_TRUE(Fired().empty());
    At(2026, 11, 1, 1, 46, 0);
    EXPECT_EQ(Fired(), std::vector<std::u16string>{u"1:45"});
}

// Springing forward skips local times: what fell in the gap goes off once, at the next tick.
TEST_F(ClockChangeTest, ForwardAnHourFiresTheSkippedEntriesOnce) {
    rig.clock.Set(2027, 3, 14, 1, 0, 0);
    s.AddSchedule(u"2:30", schEveryDay, 0, 0, 0, 0, 2, 30);
    At(2027, 3, 14, 1, 59, 30);
    At(2027, 3, 14, 3, 0, 30); // 02:00 became 03:00
    At(2027, 3, 14, 3, 1, 30);
    EXPECT_EQ(Fired(), std::vector<std::u16string>{u"2:30"});
    EXPECT_EQ(s.NextTime(u"2:30"), ToOleDate(DateSerial(2027, 3, 15) + TimeSerial(2, 30, 0)));
}

// Pending moments are kept when the clock goes back a day or the time zone changes: an entry
// waits for its stored moment, and nothing is recomputed behind the host's back.
TEST_F(ClockChangeTest, BackADayKeepsThePendingMoments) {
    rig.clock.Set(2026, 12, 7, 7, 0, 0);
    s.AddSchedule(u"daily", schEveryDay, 0, 0, 0, 0, 8);
    s.AddSchedule(u"once", schAppointTime, 2026, 12, 0, 7, 9);
    At(2026, 12, 7, 8, 0, 1);
    EXPECT_EQ(Fired(), std::vector<std::u16string>{u"daily"});
    At(2026, 12, 6, 8, 0, 1); // back a day
    At(2026, 12, 6, 9, 0, 1);
    EXPECT_TRUE(Fired().empty());
    At(2026, 12, 7, 9, 0, 1);
    EXPECT_EQ(Fired(), std::vector<std::u16string>{u"once"});
    At(2026, 12, 8, 8, 0, 1);
    EXPECT_EQ(Fired(), std::vector<std::u16string>{u"daily"});
}

TEST_F(ClockChangeTest, ATimeZoneChangeActsAsAJumpOfTheLocalClock) {
    rig.clock.Set(2026, 12, 7, 12, 0, 0);
    s.AddSchedule(u"14:00", schEveryDay, 0, 0, 0, 0, 14);
    s.AddSchedule(u"18:00", schEveryDay, 0, 0, 0, 0, 18);
    At(2026, 12, 7, 17, 0, 0); // moved five zones east
    EXPECT_EQ(Fired(), std::vector<std::u16string>{u"14:00"});
    At(2026, 12, 7, 12, 0, 0); // and back
    At(2026, 12, 7, 18, 0, 1);
    EXPECT_EQ(Fired(), std::vector<std::u16string>{u"18:00"});
    At(2026, 12, 8, 14, 0, 1);
    EXPECT_EQ(Fired(), std::vector<std::u16string>{u"14:00"});
}

} // namespace
} // namespace quorvane
