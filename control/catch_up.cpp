#include "catch_up.h"

#include <algorithm>

namespace quorvane {

std::optional<Moment> CatchUp::Reached(const Clock &clock, const ClockReading &last,
                                       const ClockReading &now) {
    if (!WentBack(last, now))
        return std::nullopt;
    const Moment passed = Passed(last, now), real = last.wall + passed;
    if (now.utc < last.utc + passed - Slack(passed))
        return real; // set by hand: at any moment between the readings
    // The system time ran on: the zone changed its offset. The wall clock showed every moment
    // under the old offset up to the second before the change, which lies where the offset
    // first differs from the old one.
    const auto offset = [&](std::int64_t utc) { return clock.LocalAt(utc) - utc; };
    const Moment before = offset(last.utc);
    if (offset(now.utc) >= before)
        return real; // the rules show no change: the zone itself was changed, at any moment
    std::int64_t lo = last.utc, hi = now.utc; // old offset at lo, another at hi
    while (hi - lo > 1) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        (offset(mid) == before ? lo : hi) = mid;
    }
    return lo + before;
}

void CatchUp::Owe(const ScheduleList &list, Moment reached) {
    std::vector<Owed> owed;
    for (const ScheduleList::Entry &entry : list) {
        if (entry.NextTime() > reached)
            break;
        owed.push_back({std::u16string(entry.key()), entry.Due(), reached});
    }
    // What an earlier change still owes stays owed, for the later of the two moments reached.
    owed.insert(owed.end(), owed_.begin(), owed_.end());
    std::sort(owed.begin(), owed.end(), [](const Owed &a, const Owed &b) {
        return b.due < a.due || (!(a.due < b.due) && a.reached > b.reached);
    });
    owed.erase(std::unique(owed.begin(), owed.end(),
                           [](const Owed &a, const Owed &b) {
                               return !(a.due < b.due) && !(b.due < a.due);
                           }),
               owed.end());
    owed_ = std::move(owed);
}

const ScheduleList::Entry *CatchUp::FirstOwed(const ScheduleList &list) {
    while (!owed_.empty()) {
        const ScheduleList::Entry *entry = list.Find(owed_.back().name);
        const DueKey &due = owed_.back().due;
        if (entry && !(entry->Due() < due) && !(due < entry->Due()))
            return entry;
        owed_.pop_back();
    }
    return nullptr;
}

} // namespace quorvane
