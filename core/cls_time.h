// One named schedule entry: its kind, the calendar fields that kind uses, and its next due
// moment.
#pragma once

#include "calendar.h"

#include <cstdint>
#include <string>

namespace quorvane {

enum schDateType : std::int32_t {
    schEveryDay = 0,
    schEveryWeek = 1,
    schEveryMonth = 2,
    schAppointTime = 3,
};

class clsTime {
public:
    // Checks and stores the fields, then computes NextTime from `now`. Raises 50001 for a
    // field out of range and 50002 for an unknown kind; the platform's overflow (6) and
    // invalid-argument (5) errors pass through from the calendar.
    void SetSchedule(const std::u16string &index, std::int32_t ty, std::int32_t yr,
                     std::int32_t mon, std::int32_t wk, std::int32_t dy, std::int32_t hr,
                     std::int32_t min, std::int32_t sec, Moment now);

    // The first occurrence at or after `now` (to the second); a one-shot entry keeps its
    // appointed moment.
    void SetNextTime(Moment now);

    Moment NextTime() const { return next_time_; }
    schDateType DateType() const { return date_type_; }
    const std::u16string &key() const { return key_; }
    void set_key(std::u16string key) { key_ = std::move(key); }

private:
    static bool IsValidDate(std::int32_t yr, std::int32_t mon, std::int32_t dy);
    [[noreturn]] static void RaiseError(std::int32_t code, std::u16string_view source,
                                        const std::u16string &detail);

    std::u16string key_;
    schDateType date_type_ = schEveryDay;
    std::int32_t year_ = 0;
    std::int32_t month_ = 0;
    std::int32_t weekday_ = 0; // 0 = Sunday .. 6 = Saturday
    std::int32_t day_ = 0;
    std::int32_t hour_ = 0;
    std::int32_t minute_ = 0;
    std::int32_t second_ = 0;
    Moment next_time_ = 0;
};

} // namespace quorvane
