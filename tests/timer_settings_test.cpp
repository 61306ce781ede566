// The control's timer: its defaults, the two interval properties, and when it really ticks.
#include "fakes.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using testing::ErrorOf;
using testing::Rig;

TEST(TimerSettings, StartOffWithAMinuteThatDoesNotFit16Bits) {
    Rig rig;
    EXPECT_FALSE(rig.schedule.Timer().Enabled());
    EXPECT_FALSE(rig.timer.running);
    EXPECT_EQ(rig.schedule.TimerInterVal(), 60000);
    const AutomationError error = ErrorOf([&] { rig.schedule.Interval(); });
    EXPECT_EQ(error.number(), 6);
    EXPECT_EQ(error.description(), u"Overflow");
    EXPECT_FALSE(rig.schedule.InTimer());
}

TEST(TimerSettings, BothPropertiesShareOneInterval) {
    Rig rig;
    Schedule &s = rig.schedule;
    s.SetInterval(1000);
    EXPECT_EQ(s.TimerInterVal(), 1000);
    s.SetInterval(-2);
    EXPECT_EQ(s.TimerInterVal(), -2); // widened with its sign
    s.SetTimerInterVal(32767);
    EXPECT_EQ(s.Interval(), 32767);
    s.SetTimerInterVal(-32768);
    EXPECT_EQ(s.Interval(), -32768);
    s.SetTimerInterVal(32768);
    EXPECT_EQ(ErrorOf([&] { s.Interval(); }).number(), 6);
    s.SetTimerInterVal(-32769);
    EXPECT_EQ(ErrorOf([&] { s.Interval(); }).number(), 6);
    EXPECT_EQ(s.TimerInterVal(), -32769);
}

TEST(TimerSettings, WritingTheIntervalNeverSwitchesTheTimer) {
    Rig rig;
    Schedule &s = rig.schedule;
    s.SetInterval(100);
    EXPECT_FALSE(s.Timer().Enabled());
    EXPECT_FALSE(rig.timer.running);
    s.AddSchedule(u"a", schEveryDay);
    EXPECT_TRUE(rig.timer.running);
    EXPECT_EQ(rig.timer.period, 100u);
    s.SetTimerInterVal(250); // restarts the countdown with the new period
    EXPECT_TRUE(rig.timer.running);
    EXPECT_EQ(rig.timer.period, 250u);
    EXPECT_EQ(rig.timer.starts, 2);
    s.SetTimerInterVal(250); // the same value leaves the countdown alone
    EXPECT_EQ(rig.timer.starts, 2);
}

TEST(TimerSettings, AnIntervalOfZeroOrBelowPausesTheTicks) {
    Rig rig;
    Schedule &s = rig.schedule;
    s.AddSchedule(u"a", schEveryDay);
    s.SetInterval(0);
    EXPECT_TRUE(s.Timer().Enabled());
    EXPECT_FALSE(rig.timer.running);
    s.SetInterval(-5);
    EXPECT_FALSE(rig.timer.running);
    s.SetInterval(10);
    EXPECT_TRUE(rig.timer.running);
    EXPECT_EQ(rig.timer.period, 10u);
    s.RemoveAllSchedule();
    s.SetInterval(0);
    s.AddSchedule(u"b", schEveryDay);
    EXPECT_FALSE(rig.timer.running);
    EXPECT_TRUE(s.Timer().Enabled());
}

// A container's new start or load: no entries, the timer off, the given interval; when the
// platform has no timer to give for the new interval, nothing changes.
TEST(TimerSettings, ResetIsAllOrNothing) {
    Rig rig;
    Schedule &s = rig.schedule;
    rig.clock.Set(2026, 12, 7, 7, 0, 0);
    s.SetTimerInterVal(1000);
    s.AddSchedule(u"a", schEveryDay, 0, 0, 0, 0, 8);
    ASSERT_TRUE(rig.timer.running);
    rig.timer.failing_starts = 1;
    EXPECT_THROW(s.Reset(60000), std::bad_alloc);
    EXPECT_EQ(s.TimerInterVal(), 1000);
    EXPECT_EQ(rig.timer.period, 1000u);
    EXPECT_TRUE(rig.timer.running);
    EXPECT_NE(s.Entries().Find(u"a"), nullptr);
    s.Reset(60000);
    EXPECT_EQ(s.TimerInterVal(), 60000);
    EXPECT_TRUE(s.Entries().empty());
    EXPECT_FALSE(rig.timer.running);
    EXPECT_FALSE(s.Timer().Enabled());
}

} // namespace
} // namespace quorvane
