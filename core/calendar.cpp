#include "calendar.h"

#include "automation_error.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvane {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t FloorMod(std::int64_t a, std::int64_t b) {
    return a - FloorDiv(a, b) * b;
}

const std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

std::int64_t CivilToDay(std::int64_t year, int month, int day) {
    return DaysFromCivil(year, month, day) - kEpochDays;
}

Moment CheckedDay(std::int64_t day) {
    if (day < kFirstDay || day > kLastDay)
        throw RuntimeError(runtime_error::kInvalidArgument);
    return day * kSecondsPerDay;
}

// Rolls months over whole years and days over months, as the date serial does.
std::int64_t RolledDay(std::int64_t year, std::int64_t month, std::int64_t day) {
    std::int64_t month0 = month - 1;
    year += FloorDiv(month0, 12);
    int m = static_cast<int>(FloorMod(month0, 12)) + 1;
    return CivilToDay(year, m, 1) + (day - 1);
}

int DaysInMonth(std::int64_t year, int month) {
    return static_cast<int>(RolledDay(year, month + 1, 1) - RolledDay(year, month, 1));
}

} // namespace

// Howard Hinnant's days_from_civil / civil_from_days.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = FloorDiv(year, 400);
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = FloorDiv(days, 146097);
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2), month, day};
}

const std::int64_t kFirstDay = CivilToDay(100, 1, 1);
const std::int64_t kLastDay = CivilToDay(9999, 12, 31);

std::int16_t Narrow16(std::int32_t value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max())
        throw RuntimeError(runtime_error::kOverflow);
    return static_cast<std::int16_t>(value);
}

Moment DateSerial(std::int32_t year, std::int32_t month, std::int32_t day) {
    std::int64_t y = Narrow16(year);
    const std::int16_t m = Narrow16(month);
    const std::int16_t d = Narrow16(day);
    if (y >= 0 && y <= 29)
        y += 2000;
    else if (y >= 30 && y <= 99)
        y += 1900;
    return CheckedDay(RolledDay(y, m, d));
}

Moment TimeSerial(std::int32_t hour, std::int32_t minute, std::int32_t second) {
    const std::int64_t h = Narrow16(hour);
    const std::int64_t m = Narrow16(minute);
    const std::int64_t s = Narrow16(second);
    return h * 3600 + m * 60 + s;
}

std::int64_t DayNumber(Moment m) {
    return FloorDiv(m, kSecondsPerDay);
}
Moment Today(Moment m) {
    return DayNumber(m) * kSecondsPerDay;
}
Moment TimeOfDay(Moment m) {
    return FloorMod(m, kSecondsPerDay);
}
CivilDate DateParts(Moment m) {
    return CivilFromDays(DayNumber(m) + kEpochDays);
}
int Hour(Moment m) {
    return static_cast<int>(TimeOfDay(m) / 3600);
}
int Minute(Moment m) {
    return static_cast<int>(TimeOfDay(m) / 60 % 60);
}
int Second(Moment m) {
    return static_cast<int>(TimeOfDay(m) % 60);
}

// 1899-12-30 was a Saturday (7).
int Weekday(Moment m) {
    return static_cast<int>(FloorMod(DayNumber(m) + 6, 7)) + 1;
}

Moment AddDays(std::int64_t n, Moment m) {
    return CheckedDay(DayNumber(m) + n) + TimeOfDay(m);
}

Moment AddMonths(std::int64_t n, Moment m) {
    const CivilDate date = DateParts(m);
    const std::int64_t months = date.year * 12 + (date.month - 1) + n;
    const std::int64_t year = FloorDiv(months, 12);
    const int month = static_cast<int>(FloorMod(months, 12)) + 1;
    const int day = std::min(date.day, DaysInMonth(year, month));
    return CheckedDay(CivilToDay(year, month, day)) + TimeOfDay(m);
}

double ToOleDate(Moment m) {
    // A snapshot converts every entry, and 32-bit code calls a routine for each division of 64-bit
    // numbers and stalls on each conversion of one to floating point. So the day is found in 32
    // bits: 86400 = 128 * 675, and any moment the calendar holds, shifted down by 7 (rounding
    // down), fits 32 bits.
    const std::int64_t coarse = m >> 7;
    std::int32_t day, time;
    if (coarse >= INT32_MIN && coarse <= INT32_MAX) {
        const auto c = static_cast<std::int32_t>(coarse);
        day = c / 675 - (c % 675 < 0 ? 1 : 0);
        time = static_cast<std::int32_t>(m - std::int64_t{day} * kSecondsPerDay);
    } else {
        day = static_cast<std::int32_t>(DayNumber(m));
        time = static_cast<std::int32_t>(TimeOfDay(m));
    }
    const double fraction = static_cast<double>(time) / kSecondsPerDay;
    return day >= 0 ? day + fraction : day - fraction;
}

Moment FromOleDate(double date) {
    const double day = std::trunc(date);
    const double fraction = std::fabs(date - day);
    return static_cast<Moment>(day) * kSecondsPerDay +
           static_cast<Moment>(std::llround(fraction * kSecondsPerDay));
}

} // namespace quorvane
