#include "model/literal_schedule.h"

#include "automation_error.h"
#include "calendar.h"

#include <algorithm>

namespace quorvane::testing {

LiteralSchedule::LiteralSchedule(const Clock &clock, SingleListenerEvents &events)
    : clock_(clock), events_(events) {
    UserControl_Initialize();
}

void LiteralSchedule::UserControl_Initialize() {
    timer_on_ = false;
    interval_ = 60000;
}

std::size_t LiteralSchedule::FindIndex(const std::u16string &name) const {
    for (std::size_t i = 1; i <= mSchedules.size(); ++i)
        if (mSchedules[i - 1].key() == name)
            return i;
    return 0;
}

void LiteralSchedule::SortSchedules() {
    std::vector<clsTime> sorted;
    sorted.reserve(mSchedules.size());
    while (!mSchedules.empty()) {
        std::size_t minimum = 0;
        for (std::size_t i = 0; i < mSchedules.size(); ++i)
            if (mSchedules[i].NextTime() < mSchedules[minimum].NextTime())
                minimum = i;
        sorted.push_back(std::move(mSchedules[minimum]));
        mSchedules.erase(mSchedules.begin() + static_cast<std::ptrdiff_t>(minimum));
    }
    mSchedules = std::move(sorted);
}

void LiteralSchedule::AddSchedule(const std::u16string &index, std::int32_t ty, std::int32_t yr,
                                  std::int32_t mon, std::int32_t wk, std::int32_t dy,
                                  std::int32_t hr, std::int32_t min, std::int32_t sec) {
    if (FindIndex(index) > 0)
        RaiseError(3, u"Halvorix.AddSchedule", u"used key of " + index);
    // The moment is formed for every kind before the clock is read; a one-shot entry whose
    // moment has passed is dropped before any of the entry's own checks.
    const Moment moment = DateSerial(yr, mon, dy) + TimeSerial(hr, min, sec);
    const Moment now = clock_.Now();
    const bool past_one_shot = ty == schAppointTime && moment < now;
    if (!past_one_shot) {
        clsTime entry;
        entry.SetSchedule(index, ty, yr, mon, wk, dy, hr, min, sec, now);
        if (mSchedules.empty()) {
            last_wall_ = now;
            last_ms_ = clock_.MonotonicMs();
            owed_.clear();
        } else {
            SeeGoingBack(now, clock_.MonotonicMs());
        }
        added_[index] = ++adds_;
        mSchedules.push_back(std::move(entry));
        SortSchedules();
        if (!mSchedules.empty())
            timer_on_ = true;
    }
}

void LiteralSchedule::RemoveSchedule(const std::u16string &key) {
    const std::size_t i = FindIndex(key);
    if (i > 0) {
        mSchedules.erase(mSchedules.begin() + static_cast<std::ptrdiff_t>(i - 1));
        SortSchedules();
    }
    if (mSchedules.empty())
        timer_on_ = false;
}

void LiteralSchedule::RemoveAllSchedule() {
    mSchedules = std::vector<clsTime>();
    owed_.clear();
    timer_on_ = false;
}

std::int16_t LiteralSchedule::Interval() const {
    return Narrow16(interval_);
}

Collection<double> LiteralSchedule::GetSchedules() const {
    Collection<double> schedules;
    for (std::size_t i = 1; i <= mSchedules.size(); ++i)
        schedules.Add(ToOleDate(mSchedules[i - 1].NextTime()), mSchedules[i - 1].key());
    return schedules;
}

double LiteralSchedule::NextTime(const std::u16string &ScheduleName) const {
    const Collection<double> schedules = GetSchedules();
    try {
        return schedules.ItemAt(ScheduleName);
    } catch (...) {
        // Whatever the lookup raised, the caller is told the name is not there.
    }
    RaiseError(4, u"Halvorix.NextTime", u"invalid ScheduleName of " + ScheduleName);
}

void LiteralSchedule::Timer1_Timer() {
    if (mInTimer)
        return;
    mInTimer = true;
    try {
        DispatchDue();
    } catch (...) {
        // The control clears the flag on a failing pass too, so it is never silenced.
        mInTimer = false;
        throw;
    }
    mInTimer = false;
}

void LiteralSchedule::DispatchDue() {
    for (;;) {
        if (mSchedules.empty())
            break;
        const Moment now = ReadClocks();
        Moment reached = 0;
        const std::size_t owed = FirstOwed(reached);
        const bool front_due = now > mSchedules.front().NextTime();
        std::size_t at = 1;
        if (owed > 0 && !(front_due && owed > 1))
            at = owed;
        else if (!front_due)
            break;
        clsTime &e = mSchedules[at - 1];
        bool last = e.DateType() == schAppointTime;
        try {
            e.SetNextTime(at == owed ? std::max(now, reached + 1) : now);
        } catch (const AutomationError &) {
            last = true; // the next occurrence lies beyond the calendar's end
        }
        std::u16string key(e.key());
        if (at == owed)
            std::erase_if(owed_, [&](const Owed &o) { return o.name == key; });
        if (last)
            mSchedules.erase(mSchedules.begin() + static_cast<std::ptrdiff_t>(at - 1));
        SortSchedules();
        events_.Raise(key);
    }
}

Moment LiteralSchedule::ReadClocks() {
    const Moment now = clock_.Now();
    const std::uint64_t ms = clock_.MonotonicMs();
    SeeGoingBack(now, ms);
    last_wall_ = now;
    last_ms_ = ms;
    return now;
}

void LiteralSchedule::SeeGoingBack(Moment now, std::uint64_t ms) {
    const auto seconds = static_cast<Moment>((ms - last_ms_) / 1000);
    if (now >= last_wall_ + seconds - 1 - seconds / 1000)
        return;
    const Moment reached = last_wall_ + seconds;
    for (const clsTime &e : mSchedules) {
        if (e.NextTime() > reached)
            continue;
        const std::u16string key(e.key());
        bool known = false;
        for (Owed &o : owed_)
            if (o.name == key && o.added == added_[key] && o.due == e.NextTime()) {
                o.reached = std::max(o.reached, reached);
                known = true;
            }
        if (!known)
            owed_.push_back({key, added_[key], e.NextTime(), reached});
    }
    last_wall_ = now;
    last_ms_ = ms;
}

std::size_t LiteralSchedule::FirstOwed(Moment &reached) const {
    for (std::size_t i = 1; i <= mSchedules.size(); ++i) {
        const clsTime &e = mSchedules[i - 1];
        const std::u16string key(e.key());
        for (const Owed &o : owed_)
            if (o.name == key && o.added == added_.at(key) && o.due == e.NextTime()) {
                reached = o.reached;
                return i;
            }
    }
    return 0;
}

void LiteralSchedule::RaiseError(std::int32_t code, std::u16string_view source,
                                 const std::u16string &detail) {
    throw ComponentError(code, source, detail);
}

} // namespace quorvane::testing
