// A literal model of the control's list, dispatch and queries, written the plain way the
// control was first written: a vector of entries found by a linear walk, re-sorted by selection
// into a new list after every change, a collection built afresh for every lookup by name. It
// reuses the real entry `clsTime`; what it models is everything above the entry. The
// differential test runs it beside `Schedule`, and the benchmarks set it beside the control.
#pragma once

#include "clock.h"
#include "cls_time.h"
#include "collection.h"
#include "events.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quorvane::testing {

class LiteralSchedule {
public:
    LiteralSchedule(const Clock &clock, SingleListenerEvents &events);
    LiteralSchedule(const LiteralSchedule &) = delete;
    LiteralSchedule &operator=(const LiteralSchedule &) = delete;

    void AddSchedule(const std::u16string &index, std::int32_t ty, std::int32_t yr = 0,
                     std::int32_t mon = 0, std::int32_t wk = 0, std::int32_t dy = 0,
                     std::int32_t hr = 0, std::int32_t min = 0, std::int32_t sec = 0);
    void RemoveSchedule(const std::u16string &key);
    void RemoveAllSchedule();

    std::int32_t TimerInterVal() const { return interval_; }
    void SetTimerInterVal(std::int32_t vNewValue) { interval_ = vNewValue; }
    std::int16_t Interval() const;
    void SetInterval(std::int16_t vNewValue) { interval_ = vNewValue; }

    Collection<double> GetSchedules() const;
    double NextTime(const std::u16string &ScheduleName) const;

    void Timer1_Timer();

    // The entries in list order (position 1 first).
    const std::vector<clsTime> &Entries() const { return mSchedules; }
    bool TimerOn() const { return timer_on_; }
    // Whether the platform would deliver ticks: the control's timer pauses at an interval of
    // 0 or below.
    bool Ticking() const { return timer_on_ && interval_ > 0; }
    bool InTimer() const { return mInTimer; }

    // Takes `entries` as the list as it stands, already in due order, without sorting: lets a
    // benchmark start from a long list without paying for the adds that would build it.
    void AdoptSorted(std::vector<clsTime> entries) { mSchedules = std::move(entries); }

private:
    void UserControl_Initialize();
    // Position from 1 of the first entry named exactly `name`; 0 when there is none.
    std::size_t FindIndex(const std::u16string &name) const;
    void SortSchedules();
    // The loop of a pass: fires entries from position 1 while they are due, and the entries
    // owed a catch-up.
    void DispatchDue();
    // Reads the clocks; when the wall clock went back, each entry due by the moment real time
    // reached is owed a going-off.
    Moment ReadClocks();
    void SeeGoingBack(Moment now, std::uint64_t ms);
    // Position from 1 of the first entry in list order that is still owed a going-off, and the
    // moment reached it is owed for; 0 when there is none.
    std::size_t FirstOwed(Moment &reached) const;
    [[noreturn]] static void RaiseError(std::int32_t code, std::u16string_view source,
                                        const std::u16string &detail);

    const Clock &clock_;
    SingleListenerEvents &events_;
    std::vector<clsTime> mSchedules;
    bool timer_on_ = false;
    std::int32_t interval_ = 0;
    bool mInTimer = false;
    // The last reading of both clocks, to tell when the wall clock has gone back.
    Moment last_wall_ = 0;
    std::uint64_t last_ms_ = 0;
    // Each add numbered, so that an entry removed and added again is a new one.
    std::map<std::u16string, std::uint64_t> added_;
    std::uint64_t adds_ = 0;
    struct Owed {
        std::u16string name;
        std::uint64_t added;
        Moment due, reached;
    };
    std::vector<Owed> owed_;
};

} // namespace quorvane::testing
