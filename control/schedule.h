// The control Schedule: its list of entries, the timer that wakes it, the dispatch of due
// entries with the event RunTime, and the queries on due moments.
//
// Everything runs on the thread that created the control. The owner delivers the timer's
// ticks to Timer1_Timer and must keep the control alive until that call returns: a RunTime
// handler may let go of the control.
#pragma once

#include "catch_up.h"
#include "clock.h"
#include "collection.h"
#include "events.h"
#include "schedule_list.h"
#include "schedule_snapshot.h"
#include "timer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

class Schedule {
public:
    Schedule(const Clock &clock, TimerService &timer, ScheduleEvents &events);
    Schedule(const Schedule &) = delete;
    Schedule &operator=(const Schedule &) = delete;

    // Raises 50003 when the name is taken; drops a one-shot entry whose moment has passed;
    // otherwise the entry's own checks (50001, 50002) and the calendar's errors (5, 6) apply.
    void AddSchedule(std::u16string_view index, std::int32_t ty, std::int32_t yr = 0,
                     std::int32_t mon = 0, std::int32_t wk = 0, std::int32_t dy = 0,
                     std::int32_t hr = 0, std::int32_t min = 0, std::int32_t sec = 0);
    // A name that is not in the list is no error.
    void RemoveSchedule(std::u16string_view key);
    void RemoveAllSchedule();
    // The control as it was made, with the interval `interval`: no entries, the timer off.
    // All or nothing: when memory is short it throws std::bad_alloc and changes nothing.
    void Reset(std::int32_t interval);

    std::int32_t TimerInterVal() const { return timer_.Interval(); }
    void SetTimerInterVal(std::int32_t vNewValue) { timer_.SetInterval(vNewValue); }
    // Raises Overflow (6) when the interval does not fit 16 bits, as the default 60000 does.
    std::int16_t Interval() const;
    void SetInterval(std::int16_t vNewValue) { timer_.SetInterval(vNewValue); }

    // A new snapshot: every entry's NextTime as a date value under its name, in due order.
    Collection<double> GetSchedules() const {
        return SnapshotOf<double>([](double date) { return date; });
    }
    // The same snapshot with each date value made into an `Item` by `item_of(date)`.
    template <class Item, class ItemOf> Collection<Item> SnapshotOf(const ItemOf &item_of) const {
        return Snapshot().CopyOf<Item>([&](Moment due) { return item_of(ToOleDate(due)); });
    }
    // The list as it is now, shared until the list changes.
    ScheduleSnapshot Snapshot() const { return ScheduleSnapshot(list_); }
    // The entry's NextTime as a date value; 50004 when no entry has that name.
    double NextTime(std::u16string_view ScheduleName) const;

    // One dispatch pass: raises RunTime for every due entry, in due order. An entry moves on
    // only once its raising is ready: when that fails (memory is short) the pass ends by the
    // exception, and the entry stays due for a later pass. When the wall clock has gone back
    // (daylight saving ends, or it was set back), every entry then in the list whose due
    // moment the wall clock showed before it went back is due too, until it has gone off, over
    // as many passes as freezes and failures take; a recurring one moves on past that moment,
    // so that nothing waits for the repeated hour nor goes off twice in it. An entry added
    // after the change is judged by the wall clock alone.
    void Timer1_Timer();
    // The container freezes the events while it cannot take them (a form loading) and thaws
    // them again; freezes nest. No pass runs while they are frozen, and a raising that a
    // freeze interrupts goes on to its remaining listeners in the first pass after the thaw.
    void FreezeEvents(bool freeze);

    const ScheduleList &Entries() const { return list_; }
    const Timer1 &Timer() const { return timer_; }
    bool InTimer() const { return mInTimer; }

private:
    using Reading = ClockReading;

    void UserControl_Initialize();
    Reading ReadClocks() const { return {clock_.Now(), clock_.MonotonicMs(), clock_.UtcSeconds()}; }
    // The current moment; when the wall clock has gone back since the last reading, the entries
    // it leaves due are owed a going-off. May fail for want of memory, and changes nothing then.
    Moment ReadNow();
    // A recurring entry's next occurrence after `now`; none for a one-shot entry, or where
    // the calendar ends first.
    static std::optional<Moment> NextOccurrence(const ScheduleList::Entry &entry, Moment now);
    // Raises the raising in progress to its remaining listeners; false when a freeze holds the
    // rest back.
    bool FinishRaising();
    // Switches the timer off once no raising is in progress: a raising keeps it until done.
    void StopTimer();
    [[noreturn]] static void RaiseError(std::int32_t code, std::u16string_view source,
                                        const std::u16string &detail);

    const Clock &clock_;
    ScheduleEvents &events_;
    Timer1 timer_;
    ScheduleList list_;
    // The raising of the entry that went off last, while listeners have still to hear it.
    std::unique_ptr<ScheduleEvents::Raising> raising_;
    // Whether the list was emptied while that raising was in progress: the timer goes off once
    // it is done, if the list is still empty.
    bool stop_after_raising_ = false;
    bool mInTimer = false;
    int frozen_ = 0;
    // The last reading of a pass that found entries, or of the add that started a list.
    Reading last_reading_{};
    CatchUp catch_up_;
};

} // namespace quorvane
