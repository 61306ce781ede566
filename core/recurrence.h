// When an entry falls due: its kind and the calendar fields that kind uses, packed into eight
// bytes so that a list of a million entries stays small, and the arithmetic that finds the
// next occurrence from them.
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

class Recurrence {
public:
    // The fields of kind `ty`, checked: 50001 for a field out of range, 50002 for an unknown
    // kind; the calendar's overflow (6) and invalid-argument (5) errors pass through.
    static Recurrence Checked(std::int32_t ty, std::int32_t yr, std::int32_t mon, std::int32_t wk,
                              std::int32_t dy, std::int32_t hr, std::int32_t min, std::int32_t sec);

    // The first occurrence at or after `now` (to the second); a one-shot entry keeps its
    // appointed moment. Raises the calendar's error 5 when that occurrence is past its end.
    Moment NextFrom(Moment now) const;

    schDateType kind() const { return static_cast<schDateType>(kind_); }

private:
    std::int16_t year_ = 0;  // one-shot entries: 100..9999
    std::uint8_t month_ = 0; // one-shot entries
    std::uint8_t day_ = 0;   // monthly (1..28) and one-shot entries
    std::uint8_t kind_ : 2 = schEveryDay;
    std::uint8_t weekday_ : 3 = 0; // weekly entries: 0 = Sunday .. 6 = Saturday
    std::uint8_t hour_ = 0;
    std::uint8_t minute_ = 0;
    std::uint8_t second_ = 0;
};

static_assert(sizeof(Recurrence) == 8);

} // namespace quorvane
