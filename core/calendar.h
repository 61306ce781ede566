// Calendar and clock arithmetic on exact moments.
//
// A Moment is a whole number of seconds since 1899-12-30 00:00:00 in local wall-clock time.
// Moments are compared and added exactly; they become Automation date values (a double of
// days since the same epoch) only where a date value is handed out.
#pragma once

#include <cstdint>

namespace quorvane {

using Moment = std::int64_t;

inline constexpr Moment kSecondsPerDay = 86400;

struct CivilDate {
    std::int64_t year;
    int month; // 1..12
    int day;   // 1..31
};

// Days from 1970-01-01 in the proleptic Gregorian calendar, and back.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);
CivilDate CivilFromDays(std::int64_t days);

// The day range the calendar accepts: 100-01-01 .. 9999-12-31, as days since 1899-12-30.
extern const std::int64_t kFirstDay;
extern const std::int64_t kLastDay;

// Narrows a calendar argument to 16 bits; a value outside -32768..32767 raises Overflow (6).
std::int16_t Narrow16(std::int32_t value);

// The date at 00:00:00. Out-of-range months and days roll over (month 13 is January of the
// next year, day 0 the last day of the previous month); years 0..29 mean 2000..2029 and
// 30..99 mean 1930..1999. Each argument is narrowed to 16 bits; a result outside
// 100-01-01..9999-12-31 raises Invalid procedure call or argument (5).
Moment DateSerial(std::int32_t year, std::int32_t month, std::int32_t day);

// A time of day as seconds; rolls over like the date serial (25:00:00 is a day and an hour).
Moment TimeSerial(std::int32_t hour, std::int32_t minute, std::int32_t second);

std::int64_t DayNumber(Moment m); // days since 1899-12-30, rounded down
Moment Today(Moment m);           // the day of m at 00:00:00
Moment TimeOfDay(Moment m);       // seconds since midnight, 0..86399
CivilDate DateParts(Moment m);
int Hour(Moment m);
int Minute(Moment m);
int Second(Moment m);
int Weekday(Moment m); // 1 = Sunday .. 7 = Saturday

// n days / months later; the month step keeps the day where it can and otherwise takes the
// month's last day. A result outside the calendar's range raises error 5.
Moment AddDays(std::int64_t n, Moment m);
Moment AddMonths(std::int64_t n, Moment m);

// Automation date values. Before 1899-12-30 the day is negative and the time of day is a
// positive fraction after it (-1.25 is 1899-12-29 06:00). FromOleDate rounds to the second.
double ToOleDate(Moment m);
Moment FromOleDate(double date);

} // namespace quorvane
