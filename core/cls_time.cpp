#include "cls_time.h"

#include "automation_error.h"

namespace quorvane {

namespace {

constexpr std::u16string_view kSource = u"AddSchedule";

bool InRange(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value >= low && value <= high;
}

} // namespace

void clsTime::SetSchedule(const std::u16string &index, std::int32_t ty, std::int32_t yr,
                          std::int32_t mon, std::int32_t wk, std::int32_t dy, std::int32_t hr,
                          std::int32_t min, std::int32_t sec, Moment now) {
    if (!InRange(hr, 0, 23))
        RaiseError(1, kSource, u"hr = " + Decimal(hr));
    if (!InRange(min, 0, 59))
        RaiseError(1, kSource, u"min = " + Decimal(min));
    if (!InRange(sec, 0, 59))
        RaiseError(1, kSource, u"sec = " + Decimal(sec));
    hour_ = hr;
    minute_ = min;
    second_ = sec;

    switch (ty) {
    case schEveryDay:
        break;
    case schEveryWeek:
        if (!InRange(wk, 0, 6))
            RaiseError(1, kSource, u"wk = " + Decimal(wk));
        weekday_ = wk;
        break;
    case schEveryMonth:
        // 28, not 31: a day every month has.
        if (!InRange(dy, 1, 28))
            RaiseError(1, kSource, u"day = " + Decimal(dy));
        day_ = dy;
        break;
    case schAppointTime:
        if (!IsValidDate(yr, mon, dy))
            RaiseError(1, kSource,
                       u"date = " + Decimal(yr) + u"/" + Decimal(mon) + u"/" + Decimal(dy));
        year_ = yr;
        month_ = mon;
        day_ = dy;
        break;
    default:
        RaiseError(2, kSource, u"ty = " + Decimal(ty));
    }
    date_type_ = static_cast<schDateType>(ty);
    key_ = index;
    SetNextTime(now);
}

void clsTime::SetNextTime(Moment now) {
    const Moment t = TimeSerial(hour_, minute_, second_);
    const Moment time_now = TimeSerial(Hour(now), Minute(now), Second(now));
    const Moment today = Today(now);
    // Ties go to the earlier moment: due at this very second means due now, not a period on.
    const bool passed_today = t < time_now;

    switch (date_type_) {
    case schEveryDay:
        next_time_ = (passed_today ? AddDays(1, today) : today) + t;
        break;
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
        next_time_ = AddDays(days, today) + t;
        break;
    }
    case schEveryMonth: {
        const int today_day = DateParts(today).day;
        const int n = (today_day > day_ || (today_day == day_ && passed_today)) ? 1 : 0;
        const CivilDate d = DateParts(AddMonths(n, today));
        next_time_ = DateSerial(static_cast<std::int32_t>(d.year), d.month, day_) + t;
        break;
    }
    case schAppointTime:
        next_time_ = DateSerial(year_, month_, day_) + t;
        break;
    }
}

bool clsTime::IsValidDate(std::int32_t yr, std::int32_t mon, std::int32_t dy) {
    const CivilDate date = DateParts(DateSerial(yr, mon, dy));
    return date.year == yr && date.month == mon && date.day == dy;
}

void clsTime::RaiseError(std::int32_t code, std::u16string_view source,
                         const std::u16string &detail) {
    throw ComponentError(code, source, detail);
}

} // namespace quorvane
