#include "recurrence.h"

#include "automation_error.h"

namespace quorvane {

namespace {

constexpr std::u16string_view kSource = u"AddSchedule";

bool InRange(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value >= low && value <= high;
}

bool IsValidDate(std::int32_t yr, std::int32_t mon, std::int32_t dy) {
    const CivilDate date = DateParts(DateSerial(yr, mon, dy));
    return date.year == yr && date.month == mon && date.day == dy;
}

[[noreturn]] void Refuse(std::int32_t code, const std::u16string &detail) {
    throw ComponentError(code, kSource, detail);
}

} // namespace

Recurrence Recurrence::Checked(std::int32_t ty, std::int32_t yr, std::int32_t mon, std::int32_t wk,
                               std::int32_t dy, std::int32_t hr, std::int32_t min,
                               std::int32_t sec) {
    if (!InRange(hr, 0, 23))
        Refuse(1, u"hr = " + Decimal(hr));
    if (!InRange(min, 0, 59))
        Refuse(1, u"min = " + Decimal(min));
    if (!InRange(sec, 0, 59))
        Refuse(1, u"sec = " + Decimal(sec));
    Recurrence rule;
    rule.hour_ = static_cast<std::uint8_t>(hr);
    rule.minute_ = static_cast<std::uint8_t>(min);
    rule.second_ = static_cast<std::uint8_t>(sec);

    switch (ty) {
    case schEveryDay:
        break;
    case schEveryWeek:
        if (!InRange(wk, 0, 6))
            Refuse(1, u"wk = " + Decimal(wk));
        rule.weekday_ = static_cast<std::uint8_t>(wk);
        break;
    case schEveryMonth:
        // 28, not 31: a day every month has.
        if (!InRange(dy, 1, 28))
            Refuse(1, u"day = " + Decimal(dy));
        rule.day_ = static_cast<std::uint8_t>(dy);
        break;
    case schAppointTime:
        if (!IsValidDate(yr, mon, dy))
            Refuse(1, u"date = " + Decimal(yr) + u"/" + Decimal(mon) + u"/" + Decimal(dy));
        rule.year_ = static_cast<std::int16_t>(yr);
        rule.month_ = static_cast<std::uint8_t>(mon);
        rule.day_ = static_cast<std::uint8_t>(dy);
        break;
    default:
        Refuse(2, u"ty = " + Decimal(ty));
    }
    rule.kind_ = static_cast<std::uint8_t>(ty);
    return rule;
}

Moment Recurrence::NextFrom(Moment now) const {
    const Moment t = TimeSerial(hour_, minute_, second_);
    const Moment time_now = TimeOfDay(now);
    const Moment today = Today(now);
    // Ties go to the earlier moment: due at this very second means due now, not a period on.
    const bool passed_today = t < time_now;

    switch (kind()) {
    case schEveryDay:
        return (passed_today ? AddDays(1, today) : today) + t;
    case schEveryWeek: {
        const int w = Weekday(today) - 1;
        const int target = weekday_;
        int days;
        if (target == w)
            days = passed_today ? 7 : 0;
        else if (target > w)
            days = target - w;
        else
            days = 7 - w + target;
        return AddDays(days, today) + t;
    }
    case schEveryMonth: {
        const int today_day = DateParts(today).day;
        const int n = (today_day > day_ || (today_day == day_ && passed_today)) ? 1 : 0;
        const CivilDate d = DateParts(AddMonths(n, today));
        return DateSerial(static_cast<std::int32_t>(d.year), d.month, day_) + t;
    }
    case schAppointTime:
        break;
    }
    return DateSerial(year_, month_, day_) + t;
}

} // namespace quorvane
