#include "schedule.h"

#include "automation_error.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

namespace quorvane {

Schedule::Schedule(const Clock &clock, TimerService &timer, ScheduleEvents &events)
    : clock_(clock), events_(events), timer_(timer) {
    UserControl_Initialize();
}

void Schedule::UserControl_Initialize() {
    timer_.SetEnabled(false);
    timer_.SetInterval(60000);
}

void Schedule::AddSchedule(std::u16string_view index, std::int32_t ty, std::int32_t yr,
                           std::int32_t mon, std::int32_t wk, std::int32_t dy, std::int32_t hr,
                           std::int32_t min, std::int32_t sec) {
    // Formed for every kind, so even a daily entry needs fields the calendar accepts. It is
    // formed before the name is looked up, so that in a large list the waits for memory of the
    // lookup and of a one-shot entry's insert overlap; an error in forming it counts only once
    // the name is known to be free, as a used name is the first error.
    const ScheduleList::Name name(index);
    Moment moment = 0;
    std::exception_ptr invalid;
    try {
        moment = DateSerial(yr, mon, dy) + TimeSerial(hr, min, sec);
        list_.PrefetchAppend(name, ty == schAppointTime ? std::optional(moment) : std::nullopt);
    } catch (...) {
        invalid = std::current_exception();
    }
    if (list_.Find(name))
        RaiseError(3, u"Halvorix.AddSchedule", u"used key of " + std::u16string(index));
    if (invalid)
        std::rethrow_exception(invalid);
    // A one-shot entry in the past is dropped before its own checks.
    const Moment now = clock_.Now();
    if (ty == schAppointTime && moment < now)
        return;
    clsTime entry;
    entry.SetSchedule(index, ty, yr, mon, wk, dy, hr, min, sec, now);
    // A list that starts anew measures clock changes from now: an earlier reading may be days
    // old, its entries long gone.
    const bool starts = list_.empty();
    if (starts)
        catch_up_.Clear();
    // A change of the clock since the last reading is seen before the entry joins the list, so
    // that it owes the entry nothing. Seeing none costs no reading of the system time.
    else if (CatchUp::WentBack(last_reading_, {now, clock_.MonotonicMs(), 0}))
        ReadNow();
    list_.Append(entry, name);
    if (starts)
        last_reading_ = {now, clock_.MonotonicMs(), clock_.UtcSeconds()};
    try {
        timer_.SetEnabled(true);
    } catch (...) {
        list_.Remove(index); // a failed add leaves the control as it was
        throw;
    }
}

void Schedule::RemoveSchedule(std::u16string_view key) {
    list_.Remove(key);
    if (list_.empty())
        StopTimer();
}

void Schedule::RemoveAllSchedule() {
    list_.Clear();
    catch_up_.Clear();
    StopTimer();
}

void Schedule::Reset(std::int32_t interval) {
    ScheduleList empty; // what may fail for want of memory comes first, and changes nothing
    timer_.SetInterval(interval);
    list_ = std::move(empty);
    catch_up_.Clear();
    StopTimer();
}

void Schedule::StopTimer() {
    // A raising in progress keeps the timer until it is done: a freeze may still hold its rest
    // for the first tick after the thaw, which must come without making a timer again then,
    // when memory may be short.
    if (raising_ && !raising_->Done()) {
        stop_after_raising_ = true;
        return;
    }
    timer_.SetEnabled(false);
}

std::int16_t Schedule::Interval() const {
    return Narrow16(timer_.Interval());
}

double Schedule::NextTime(std::u16string_view ScheduleName) const {
    // Collection keys compare exactly, like the list, so the list answers for it.
    const ScheduleList::Entry *entry = list_.Find(ScheduleName);
    if (!entry)
        RaiseError(4, u"Halvorix.NextTime",
                   u"invalid ScheduleName of " + std::u16string(ScheduleName));
    return ToOleDate(entry->NextTime());
}

void Schedule::FreezeEvents(bool freeze) {
    if (freeze)
        ++frozen_;
    else if (frozen_ > 0)
        --frozen_;
}

void Schedule::Timer1_Timer() {
    // While the container has frozen the events, nothing goes off and nothing moves on: the
    // first tick after the thaw delivers what fell due meanwhile.
    if (mInTimer || frozen_ > 0)
        return;
    mInTimer = true;
    // Cleared on every way out, so that a failing pass does not silence the control.
    struct ClearFlag {
        bool &flag;
        ~ClearFlag() { flag = false; }
    } clear{mInTimer};

    // What a freeze held back goes out first, to the listeners that have not heard it yet.
    if (raising_ && !FinishRaising())
        return;
    while (!list_.empty() && frozen_ == 0) {
        const Moment now = ReadNow();
        const ScheduleList::Entry *owed = catch_up_.Next(list_);
        const ScheduleList::Entry &front = list_.Front();
        const bool front_due = now > front.NextTime();
        // Whichever comes first in due order: the first entry the catch-up owes, or the first
        // entry, when the wall clock has passed it.
        const bool pay = owed && !(front_due && front.Due() < owed->Due());
        if (!pay && !front_due)
            break;
        const ScheduleList::Entry &e = pay ? *owed : front;
        // Made ready before the entry moves on: should that fail, the entry stays due.
        std::unique_ptr<ScheduleEvents::Raising> raising = events_.Prepare(e.key());
        const std::optional<Moment> next =
            NextOccurrence(e, pay ? std::max(now, catch_up_.Reached() + 1) : now);
        if (&e == &front && next)
            list_.ResortFront(*next);
        else if (&e == &front)
            list_.RemoveFront();
        else if (next)
            list_.Resort(ScheduleList::Name(e.key()), *next);
        else
            list_.Remove(e.key());
        if (pay)
            catch_up_.Paid();
        raising_ = std::move(raising);
        if (!FinishRaising())
            return;
    }
}

Moment Schedule::ReadNow() {
    const Reading reading = ReadClocks();
    if (CatchUp::WentBack(last_reading_, reading))
        if (const std::optional<Moment> reached = CatchUp::Reached(clock_, last_reading_, reading))
            catch_up_.Owe(list_, *reached);
    last_reading_ = reading;
    return reading.wall;
}

bool Schedule::FinishRaising() {
    while (!raising_->Done()) {
        // A handler may freeze the events: each listener after it waits for the first tick
        // after the thaw, which comes even if a handler emptied the list, as the timer stays
        // on while a raising is in progress (StopTimer).
        if (frozen_ > 0)
            return false;
        raising_->RaiseNext();
    }
    raising_.reset();
    if (std::exchange(stop_after_raising_, false) && list_.empty())
        timer_.SetEnabled(false);
    return true;
}

std::optional<Moment> Schedule::NextOccurrence(const ScheduleList::Entry &entry, Moment now) {
    if (entry.DateType() == schAppointTime)
        return std::nullopt;
    try {
        return entry.rule().NextFrom(now);
    } catch (const AutomationError &) {
        // The next occurrence would fall after 9999-12-31: this one was the last, as a
        // one-shot entry's is. Kept first, it would fail every pass and starve the others.
        return std::nullopt;
    }
}

void Schedule::RaiseError(std::int32_t code, std::u16string_view source,
                          const std::u16string &detail) {
    throw ComponentError(code, source, detail);
}

} // namespace quorvane
