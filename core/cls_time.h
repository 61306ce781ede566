// One named schedule entry: its name, when it recurs, and its next due moment.
#pragma once

#include "compact_text.h"
#include "recurrence.h"

#include <string>
#include <string_view>

namespace quorvane {

class clsTime {
public:
    // Checks and stores the fields, then computes NextTime from `now`. Raises 50001 for a
    // field out of range and 50002 for an unknown kind; the platform's overflow (6) and
    // invalid-argument (5) errors pass through from the calendar.
    void SetSchedule(std::u16string_view index, std::int32_t ty, std::int32_t yr, std::int32_t mon,
                     std::int32_t wk, std::int32_t dy, std::int32_t hr, std::int32_t min,
                     std::int32_t sec, Moment now);

    // The first occurrence at or after `now` (to the second); a one-shot entry keeps its
    // appointed moment.
    void SetNextTime(Moment now) { next_time_ = rule_.NextFrom(now); }

    Moment NextTime() const { return next_time_; }
    schDateType DateType() const { return rule_.kind(); }
    const Recurrence &rule() const { return rule_; }
    std::u16string_view key() const { return key_.view(); }
    void set_key(std::u16string_view key) { key_ = CompactText(key); }

private:
    CompactText key_{u""};
    Recurrence rule_;
    Moment next_time_ = 0;
};

} // namespace quorvane
