// The dispatch pass: what goes off at a tick, in which order, and what a RunTime handler may do.
#include "fakes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>

namespace quorvane {
namespace {

using testing::ErrorOf;
using testing::Rig;
using Names = std::vector<std::u16string>;

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override { rig.clock.Set(2026, 12, 7, 7, 59, 0); }
    void At(int h, int mi, int s, int d = 7) { rig.clock.Set(2026, 12, d, h, mi, s); }
    Rig rig;
    Schedule &s = rig.schedule;
};

TEST_F(DispatchTest, FiresOnlyOnceTheDueSecondHasPassed) {
    s.AddSchedule(u"wake", schEveryDay, 0, 0, 0, 0, 8);
    At(8, 0, 0);
    rig.Tick();
    EXPECT_TRUE(rig.events.fired.empty());
    rig.events.on_run_time = [&](std::u16string &) {
        EXPECT_EQ(s.NextTime(u"wake"), ToOleDate(DateSerial(2026, 12, 8) + TimeSerial(8, 0, 0)));
    };
    At(8, 0, 1);
    rig.Tick();
    rig.Tick();
    EXPECT_EQ(rig.events.fired, Names{u"wake"});
}

TEST_F(DispatchTest, FiresEveryDueEntryInDueOrderAndTiesInAddingOrder) {
    s.AddSchedule(u"late", schEveryDay, 0, 0, 0, 0, 8, 30);
    s.AddSchedule(u"first", schEveryDay, 0, 0, 0, 0, 8);
    s.AddSchedule(u"second", schAppointTime, 2026, 12, 0, 7, 8);
    s.AddSchedule(u"future", schEveryDay, 0, 0, 0, 0, 9);
    At(8, 45, 0);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"first", u"second", u"late"}));
    EXPECT_EQ(s.Entries().size(), 3u);
    EXPECT_EQ(s.Entries().Find(u"second"), nullptr);
}

TEST_F(DispatchTest, FrozenEventsLeaveEntriesDueUntilTheFirstTickAfterTheThaw) {
    s.AddSchedule(u"daily", schEveryDay, 0, 0, 0, 0, 8);
    s.AddSchedule(u"once", schAppointTime, 2026, 12, 0, 7, 8, 30);
    s.FreezeEvents(false); // a thaw never frozen counts for nothing
    s.FreezeEvents(true);
    s.FreezeEvents(true);
    At(9, 0, 0);
    rig.Tick();
    s.FreezeEvents(false);
    rig.Tick();
    EXPECT_TRUE(rig.events.fired.empty());
    EXPECT_EQ(s.NextTime(u"daily"), ToOleDate(DateSerial(2026, 12, 7) + TimeSerial(8, 0, 0)));
    s.FreezeEvents(false);
    rig.Tick();
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"daily", u"once"}));
    // A handler that freezes them stops the pass before the next entry.
    s.AddSchedule(u"a", schAppointTime, 2026, 12, 0, 7, 9);
    s.AddSchedule(u"b", schAppointTime, 2026, 12, 0, 7, 9);
    rig.events.on_run_time = [&](std::u16string &) { s.FreezeEvents(true); };
    At(9, 0, 1);
    rig.Tick();
    EXPECT_EQ(rig.events.fired.back(), u"a");
    EXPECT_NE(s.Entries().Find(u"b"), nullptr);
}

// A host with two listeners, each hearing each alarm as "1:key" and "2:key", that can run out
// of memory making a raising ready.
class TwoListeners : public ScheduleEvents {
public:
    Names heard;
    std::function<void(int listener, std::u16string_view key)> on_heard;
    int failing_prepares = 0;

    std::unique_ptr<Raising> Prepare(std::u16string_view key) override {
        if (failing_prepares > 0 && failing_prepares--)
            throw std::bad_alloc();
        return std::make_unique<Both>(*this, key);
    }

private:
    class Both : public Raising {
    public:
        Both(TwoListeners &host, std::u16string_view key) : host_(host), key_(key) {}
        bool Done() const override { return next_ > 2; }
        void RaiseNext() override {
            const int listener = next_++;
            host_.heard.push_back(std::u16string(listener == 1 ? u"1:" : u"2:") + key_);
            if (host_.on_heard)
                host_.on_heard(listener, key_);
        }

    private:
        TwoListeners &host_;
        std::u16string key_;
        int next_ = 1;
    };
};

class TwoListenerTest : public DispatchTest {
protected:
    TwoListeners events;
    testing::FakeTimerService timer;
    Schedule schedule{rig.clock, timer, events};
};

// What the clock's going back left due stays due past the pass that saw it: a freeze made by a
// handler, or a raising that could not be made, only puts it off to the next tick.
TEST_F(TwoListenerTest, TheCatchUpOutlivesAFreezeAndAFailedRaising) {
    At(10, 0, 0);
    schedule.AddSchedule(u"a", schAppointTime, 2026, 12, 0, 7, 10, 0, 10);
    schedule.AddSchedule(u"b", schEveryDay, 0, 0, 0, 0, 10, 0, 20);
    schedule.AddSchedule(u"c", schEveryDay, 0, 0, 0, 0, 10, 0, 25);
    events.on_heard = [&](int listener, std::u16string_view key) {
        if (key == u"a" && listener == 2)
            schedule.FreezeEvents(true);
    };
    rig.clock.Pass(30);
    rig.clock.now -= 3600;
    schedule.Timer1_Timer();
    schedule.FreezeEvents(false);
    events.failing_prepares = 1;
    EXPECT_THROW(schedule.Timer1_Timer(), std::bad_alloc);
    schedule.Timer1_Timer();
    EXPECT_EQ(events.heard, (Names{u"1:a", u"2:a", u"1:b", u"2:b", u"1:c", u"2:c"}));
    EXPECT_EQ(schedule.NextTime(u"c"), ToOleDate(DateSerial(2026, 12, 8) + TimeSerial(10, 0, 25)));
}

TEST_F(TwoListenerTest, AnAlarmWhoseRaisingCannotBeMadeStaysDueAndGoesOffOnceLater) {
    schedule.AddSchedule(u"once", schAppointTime, 2026, 12, 0, 7, 8);
    schedule.AddSchedule(u"daily", schEveryDay, 0, 0, 0, 0, 8);
    At(8, 0, 1);
    events.failing_prepares = 1;
    EXPECT_THROW(schedule.Timer1_Timer(), std::bad_alloc);
    EXPECT_TRUE(events.heard.empty());
    EXPECT_FALSE(schedule.InTimer());
    EXPECT_NE(schedule.Entries().Find(u"once"), nullptr);
    schedule.Timer1_Timer();
    schedule.Timer1_Timer();
    EXPECT_EQ(events.heard, (Names{u"1:once", u"2:once", u"1:daily", u"2:daily"}));
    EXPECT_EQ(schedule.Entries().Find(u"once"), nullptr);
}

TEST_F(TwoListenerTest, AFreezeInAHandlerHoldsTheRestOfThatAlarmUntilTheThaw) {
    schedule.AddSchedule(u"a", schAppointTime, 2026, 12, 0, 7, 8);
    schedule.AddSchedule(u"b", schAppointTime, 2026, 12, 0, 7, 8);
    events.on_heard = [&](int listener, std::u16string_view key) {
        if (listener == 1 && key == u"a") {
            schedule.FreezeEvents(true); // nested, and thawed once only here
            schedule.FreezeEvents(true);
            schedule.FreezeEvents(false);
        }
    };
    At(8, 0, 1);
    schedule.Timer1_Timer();
    schedule.Timer1_Timer();
    EXPECT_EQ(events.heard, Names{u"1:a"});
    schedule.FreezeEvents(false);
    EXPECT_EQ(events.heard, Names{u"1:a"}); // the thaw itself raises nothing
    schedule.Timer1_Timer();
    schedule.Timer1_Timer();
    EXPECT_EQ(events.heard, (Names{u"1:a", u"2:a", u"1:b", u"2:b"}));
    // The rest waits for a tick even when the handler empties the list.
    schedule.AddSchedule(u"c", schAppointTime, 2026, 12, 0, 7, 9);
    events.on_heard = [&](int listener, std::u16string_view) {
        if (listener == 1) {
            schedule.FreezeEvents(true);
            schedule.RemoveAllSchedule();
        }
    };
    At(9, 0, 1);
    schedule.Timer1_Timer();
    schedule.RemoveAllSchedule();
    schedule.FreezeEvents(false);
    ASSERT_TRUE(timer.running);
    schedule.Timer1_Timer();
    EXPECT_EQ(events.heard.back(), u"2:c");
}

// A listener that empties the list leaves the timer off once the alarm has reached the others.
TEST_F(TwoListenerTest, AListenerThatEmptiesTheListLeavesTheTimerOffOnceTheAlarmIsOut) {
    for (const bool all : {true, false}) {
        SCOPED_TRACE(all ? "RemoveAllSchedule" : "RemoveSchedule of the last entry");
        events.heard.clear();
        At(7, 59, 0);
        schedule.AddSchedule(u"a", schAppointTime, 2026, 12, 0, 7, 8);
        schedule.AddSchedule(u"b", schEveryDay, 0, 0, 0, 0, 8);
        events.on_heard = [&](int listener, std::u16string_view) {
            if (listener != 1)
                return;
            if (all)
                schedule.RemoveAllSchedule();
            else
                schedule.RemoveSchedule(u"b"); // "a" left as it went off
        };
        At(8, 0, 1);
        ASSERT_TRUE(timer.running);
        schedule.Timer1_Timer();
        EXPECT_EQ(events.heard, (Names{u"1:a", u"2:a"}));
        EXPECT_TRUE(schedule.Entries().empty());
        EXPECT_FALSE(timer.running);
        EXPECT_FALSE(schedule.Timer().Enabled());
        events.on_heard = nullptr;
    }
}

// A listener empties the list and freezes the events while the platform has no timer to give:
// the rest of the alarm goes out at the first tick after the thaw, with nothing more from the
// host, and the timer stops after it.
TEST_F(TwoListenerTest, AnAlarmHeldWhileTimersFailGoesOutAfterTheThawWithoutTheHost) {
    schedule.AddSchedule(u"c", schAppointTime, 2026, 12, 0, 7, 9);
    events.on_heard = [&](int listener, std::u16string_view) {
        if (listener == 1) {
            schedule.RemoveAllSchedule();
            schedule.FreezeEvents(true);
        }
    };
    // Ticks as the platform delivers them, only while its timer runs; the tick swallows what a
    // pass throws, as the COM object's does.
    const auto tick = [&] {
        if (!timer.running)
            return;
        try {
            schedule.Timer1_Timer();
        } catch (const std::bad_alloc &) {
        }
    };
    At(9, 0, 1);
    timer.failing_starts = 1000; // memory is gone
    tick();
    EXPECT_EQ(events.heard, Names{u"1:c"});
    tick();
    schedule.FreezeEvents(false);
    timer.failing_starts = 0; // memory is back
    for (int i = 0; i < 3; ++i)
        tick();
    EXPECT_EQ(events.heard, (Names{u"1:c", u"2:c"}));
    EXPECT_FALSE(timer.running);
}

TEST_F(DispatchTest, TwoDailyEntriesAtOneTimeAlternateFromDayToDay) {
    s.AddSchedule(u"A", schEveryDay, 0, 0, 0, 0, 8);
    s.AddSchedule(u"B", schEveryDay, 0, 0, 0, 0, 8);
    Names expected;
    for (int day = 7; day <= 12; ++day) {
        At(8, 0, 1, day);
        rig.Tick();
        const bool a_first = (day - 7) % 2 == 0;
        expected.push_back(a_first ? u"A" : u"B");
        expected.push_back(a_first ? u"B" : u"A");
    }
    EXPECT_EQ(rig.events.fired, expected);
}

TEST_F(DispatchTest, MissedOccurrencesFireOnceAndMoveToTheNextOneAhead) {
    s.AddSchedule(u"daily", schEveryDay, 0, 0, 0, 0, 8);
    s.AddSchedule(u"weekly", schEveryWeek, 0, 0, 1, 0, 8);
    rig.clock.Set(2026, 12, 16, 9, 0, 0); // nine days later, a Wednesday
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"daily", u"weekly"}));
    EXPECT_EQ(s.NextTime(u"daily"), ToOleDate(DateSerial(2026, 12, 17) + TimeSerial(8, 0, 0)));
    EXPECT_EQ(s.NextTime(u"weekly"), ToOleDate(DateSerial(2026, 12, 21) + TimeSerial(8, 0, 0)));
}

TEST_F(DispatchTest, AOneShotEntryIsGoneBeforeItsHandlerRuns) {
    s.AddSchedule(u"once", schAppointTime, 2026, 12, 0, 7, 8);
    rig.events.on_run_time = [&](std::u16string &key) {
        EXPECT_EQ(ErrorOf([&] { s.NextTime(key); }).number(), 50004);
        s.RemoveSchedule(key);
        s.AddSchedule(key, schEveryDay, 0, 0, 0, 0, 9);
    };
    At(8, 0, 1);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, Names{u"once"});
    EXPECT_EQ(s.NextTime(u"once"), ToOleDate(DateSerial(2026, 12, 7) + TimeSerial(9, 0, 0)));
}

TEST_F(DispatchTest, TheTimerStaysOnAfterThePassDropsTheLastEntry) {
    s.AddSchedule(u"once", schAppointTime, 2026, 12, 0, 7, 8);
    At(8, 0, 1);
    rig.Tick();
    EXPECT_TRUE(s.Entries().empty());
    EXPECT_TRUE(rig.timer.running);
    const int reads = rig.clock.reads;
    rig.Tick();
    EXPECT_EQ(rig.clock.reads, reads);
    EXPECT_EQ(rig.events.fired.size(), 1u);
    EXPECT_FALSE(s.InTimer());
}

TEST_F(DispatchTest, HandlersMayChangeTheListAndThePassSeesIt) {
    for (const char16_t *name : {u"a", u"b", u"c", u"d"})
        s.AddSchedule(name, schEveryDay, 0, 0, 0, 0, 8);
    s.AddSchedule(u"later", schEveryDay, 0, 0, 0, 0, 8, 0, 30);
    rig.events.on_run_time = [&](std::u16string &key) {
        if (key == u"a") {
            s.RemoveSchedule(u"c"); // another entry that is due
            s.AddSchedule(u"new", schAppointTime, 2026, 12, 0, 7, 8, 0, 25);
            At(8, 0, 31); // the handler runs long: "later" falls due meanwhile
        }
        if (key == u"b")
            s.RemoveSchedule(u"b"); // its own entry
    };
    At(8, 0, 20);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"a", u"b", u"d", u"new", u"later"}));
    EXPECT_EQ(s.Entries().Find(u"b"), nullptr);
}

TEST_F(DispatchTest, RemoveAllInsideAHandlerEndsThePassAndStopsTheTimer) {
    s.AddSchedule(u"a", schEveryDay, 0, 0, 0, 0, 8);
    s.AddSchedule(u"b", schEveryDay, 0, 0, 0, 0, 8);
    rig.events.on_run_time = [&](std::u16string &) { s.RemoveAllSchedule(); };
    At(8, 0, 1);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, Names{u"a"});
    EXPECT_FALSE(rig.timer.running);
}

TEST_F(DispatchTest, TicksInsideAHandlerReadAndChangeNothing) {
    s.AddSchedule(u"a", schEveryDay, 0, 0, 0, 0, 8);
    s.AddSchedule(u"b", schEveryDay, 0, 0, 0, 0, 8);
    rig.events.on_run_time = [&](std::u16string &key) {
        if (key != u"a")
            return;
        EXPECT_TRUE(s.InTimer());
        const int reads = rig.clock.reads;
        rig.Tick(); // a modal dialog's message loop delivering the next tick
        rig.Tick();
        EXPECT_EQ(rig.clock.reads, reads);
        EXPECT_EQ(rig.events.fired.size(), 1u);
    };
    At(8, 0, 1);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"a", u"b"}));
    EXPECT_FALSE(s.InTimer());
}

TEST_F(DispatchTest, AHandlerChangingItsArgumentChangesNothing) {
    s.AddSchedule(u"name", schEveryDay, 0, 0, 0, 0, 8);
    rig.events.on_run_time = [&](std::u16string &key) { key = u"changed"; };
    At(8, 0, 1);
    rig.Tick();
    At(8, 0, 1, 8);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"name", u"name"}));
    EXPECT_NE(s.Entries().Find(u"name"), nullptr);
}

TEST_F(DispatchTest, ARecurringEntryGoesOffALastTimeWhereTheCalendarEnds) {
    rig.clock.Set(9999, 12, 31, 7, 0, 0);
    s.AddSchedule(u"end", schEveryDay, 0, 0, 0, 0, 8);
    s.AddSchedule(u"once", schAppointTime, 9999, 12, 0, 31, 9);
    // The daily entry's next day lies beyond the calendar: it leaves the list as it goes off,
    // and the entries after it are not starved.
    rig.clock.Set(9999, 12, 31, 9, 0, 1);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"end", u"once"}));
    EXPECT_TRUE(s.Entries().empty());
}

TEST_F(DispatchTest, AFailingHandlerEndsThePassAndTheNextTickGoesOn) {
    s.AddSchedule(u"a", schEveryDay, 0, 0, 0, 0, 8);
    s.AddSchedule(u"b", schEveryDay, 0, 0, 0, 0, 8);
    rig.events.on_run_time = [&](std::u16string &key) {
        if (key == u"a")
            throw std::runtime_error("handler failed");
    };
    At(8, 0, 1);
    EXPECT_THROW(rig.Tick(), std::runtime_error);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"a", u"b"}));
}

// The owner keeps the control alive across a pass; a handler may drop the owner's reference.
TEST(DispatchLifetime, AHandlerMayReleaseTheControl) {
    testing::FakeClock clock;
    testing::FakeTimerService timer;
    testing::RecordingEvents events;
    clock.Set(2026, 12, 7, 7, 0, 0);
    auto owner = std::make_shared<Schedule>(clock, timer, events);
    owner->AddSchedule(u"a", schAppointTime, 2026, 12, 0, 7, 8);
    owner->AddSchedule(u"b", schAppointTime, 2026, 12, 0, 7, 8);
    std::weak_ptr<Schedule> weak = owner;
    events.on_run_time = [&](std::u16string &) { owner.reset(); };
    clock.Set(2026, 12, 7, 8, 0, 2);
    {
        const std::shared_ptr<Schedule> pinned = weak.lock(); // as the COM object AddRefs
        pinned->Timer1_Timer();
        EXPECT_EQ(events.fired.size(), 2u);
    }
    EXPECT_TRUE(weak.expired());
}

// The night daylight saving ends, with a tick a minute: at 02:00 the wall clock goes back to
// 01:00, and the next tick comes at 01:00:30. What was due before 02:00 goes off then, once;
// what went off before the change, or falls after it, keeps its own time.
TEST_F(DispatchTest, WhenDaylightSavingEndsWhatCameBeforeTheChangeGoesOffAtTheNextTickOnce) {
    At(1, 0, 30);
    s.AddSchedule(u"half past", schEveryDay, 0, 0, 0, 0, 1, 30);
    s.AddSchedule(u"last second", schEveryDay, 0, 0, 0, 0, 1, 59, 59);
    s.AddSchedule(u"once", schAppointTime, 2026, 12, 0, 7, 1, 59, 50);
    s.AddSchedule(u"two", schEveryDay, 0, 0, 0, 0, 2);
    const auto ticks = [&](int count) {
        for (int i = 0; i < count; ++i) {
            rig.clock.Pass(60);
            rig.Tick();
        }
    };
    rig.clock.ChangeZoneAt(rig.clock.UtcSeconds() + 3570, rig.clock.zone - 3600); // at 02:00
    ticks(59); // the last before the change at 01:59:30
    EXPECT_EQ(rig.events.fired, Names{u"half past"});
    rig.clock.Pass(60);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"half past", u"once", u"last second"}));
    EXPECT_EQ(s.NextTime(u"last second"),
              ToOleDate(DateSerial(2026, 12, 8) + TimeSerial(1, 59, 59)));
    ticks(60); // through the repeated hour to 02:00:30
    EXPECT_EQ(rig.events.fired, (Names{u"half past", u"once", u"last second", u"two"}));
}

// Set back by hand between two ticks, the clock may have been set at any moment: what real
// time reached by the tick goes off, once.
TEST_F(DispatchTest, WhenTheClockIsSetBackWhatRealTimeReachedGoesOffAtTheNextTickOnce) {
    At(10, 0, 0);
    s.AddSchedule(u"once", schAppointTime, 2026, 12, 0, 7, 10, 0, 20);
    s.AddSchedule(u"daily", schEveryDay, 0, 0, 0, 0, 10, 0, 40);
    s.AddSchedule(u"later", schEveryDay, 0, 0, 0, 0, 10, 1, 30);
    rig.clock.Pass(30);
    rig.clock.now -= 3600;
    rig.clock.Pass(30);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"once", u"daily"}));
    EXPECT_EQ(s.NextTime(u"daily"), ToOleDate(DateSerial(2026, 12, 8) + TimeSerial(10, 0, 40)));
}

// Set back a day while the list was empty, the clock is what a new entry is judged by.
TEST_F(DispatchTest, AListStartedAfterTheClockWentBackIsNotCaughtUp) {
    s.AddSchedule(u"gone", schAppointTime, 2026, 12, 0, 7, 7, 59, 30);
    rig.clock.Pass(31);
    rig.Tick();
    At(7, 59, 31, 6);
    s.AddSchedule(u"soon", schAppointTime, 2026, 12, 0, 6, 8);
    rig.clock.Pass(1);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, Names{u"gone"});
}

// An entry added after the clock went back, by the host before the next tick or by a handler
// during the catch-up, owes nothing to the time before the change: it waits for its wall time.
TEST_F(DispatchTest, AnEntryAddedAfterTheClockWentBackWaitsForItsWallTime) {
    At(10, 0, 0);
    s.AddSchedule(u"owed", schAppointTime, 2026, 12, 0, 7, 10, 0, 20);
    rig.events.on_run_time = [&](std::u16string &) {
        rig.events.on_run_time = nullptr;
        s.AddSchedule(u"by handler", schAppointTime, 2026, 12, 0, 7, 9, 45);
    };
    rig.clock.Pass(30);
    rig.clock.now -= 3600;
    rig.clock.Pass(10);
    s.AddSchedule(u"by host", schAppointTime, 2026, 12, 0, 7, 9, 30);
    rig.clock.Pass(20);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, Names{u"owed"});
    At(9, 50, 0);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"owed", u"by host", u"by handler"}));
}

// Ticks two real hours apart across the end of daylight saving (the machine slept): only what
// the wall clock showed before the change, up to 01:59:59 summer time, is caught up; 02:15
// waits for 02:15 standard time. The zone's rules are read only once a change is seen.
TEST_F(DispatchTest, AfterALongGapAcrossTheChangeOnlyWhatTheWallClockShowedIsCaughtUp) {
    At(0, 30, 0);
    s.AddSchedule(u"01:45", schEveryDay, 0, 0, 0, 0, 1, 45);
    s.AddSchedule(u"02:15", schEveryDay, 0, 0, 0, 0, 2, 15);
    rig.clock.ChangeZoneAt(rig.clock.UtcSeconds() + 5400, rig.clock.zone - 3600); // at 02:00
    rig.clock.Pass(60);
    rig.Tick();
    EXPECT_EQ(rig.clock.rule_reads, 0);
    rig.clock.Pass(7140); // to 01:30 standard time
    rig.Tick();
    EXPECT_EQ(rig.events.fired, Names{u"01:45"});
    EXPECT_EQ(s.NextTime(u"02:15"), ToOleDate(DateSerial(2026, 12, 7) + TimeSerial(2, 15, 0)));
    rig.clock.Pass(45 * 60 + 1);
    rig.Tick();
    EXPECT_EQ(rig.events.fired, (Names{u"01:45", u"02:15"}));
}

} // namespace
} // namespace quorvane
