#include "calendar.h"

#include "automation_error.h"
#include "fakes.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using testing::ErrorOf;

Moment Day(std::int64_t y, int m, int d) {
    return (DaysFromCivil(y, m, d) - DaysFromCivil(1899, 12, 30)) * kSecondsPerDay;
}

TEST(DateSerial, RollsMonthsAndDaysOverInBothDirections) {
    EXPECT_EQ(DateSerial(2024, 13, 1), Day(2025, 1, 1));
    EXPECT_EQ(DateSerial(2024, 0, 1), Day(2023, 12, 1));
    EXPECT_EQ(DateSerial(2024, -13, 1), Day(2022, 11, 1));
    EXPECT_EQ(DateSerial(2024, 3, 0), Day(2024, 2, 29));
    EXPECT_EQ(DateSerial(2023, 3, 0), Day(2023, 2, 28));
    EXPECT_EQ(DateSerial(2024, 1, -1), Day(2023, 12, 30));
    EXPECT_EQ(DateSerial(2024, 4, 31), Day(2024, 5, 1));
    EXPECT_EQ(DateSerial(2023, 2, 29), Day(2023, 3, 1));
    EXPECT_EQ(DateSerial(2024, 1, 400), Day(2025, 2, 3));
}

TEST(DateSerial, ReadsTwoDigitYearsAsThisCenturyOrTheLast) {
    EXPECT_EQ(DateSerial(0, 1, 1), Day(2000, 1, 1));
    EXPECT_EQ(DateSerial(29, 12, 31), Day(2029, 12, 31));
    EXPECT_EQ(DateSerial(30, 1, 1), Day(1930, 1, 1));
    EXPECT_EQ(DateSerial(99, 13, 1), Day(2000, 1, 1));
    EXPECT_EQ(DateSerial(100, 1, 1), Day(100, 1, 1));
    // Year 0 with month and day 0 is still a date: the last day of November 1999.
    EXPECT_EQ(DateSerial(0, 0, 0), Day(1999, 11, 30));
}

TEST(DateSerial, RefusesResultsOutsideTheCalendarWithError5) {
    EXPECT_EQ(DateSerial(9999, 12, 31), Day(9999, 12, 31));
    EXPECT_EQ(ErrorOf([] { DateSerial(9999, 12, 32); }).number(), 5);
    EXPECT_EQ(ErrorOf([] { DateSerial(100, 1, 0); }).number(), 5);
    EXPECT_EQ(ErrorOf([] { DateSerial(-1, 1, 1); }).number(), 5);
    EXPECT_EQ(ErrorOf([] { DateSerial(10000, 1, 1); }).number(), 5);
    const AutomationError error = ErrorOf([] { DateSerial(32767, 1, 1); });
    EXPECT_EQ(error.description(), u"Invalid procedure call or argument");
}

TEST(DateSerial, NarrowsEveryArgumentTo16BitsWithOverflow) {
    EXPECT_EQ(ErrorOf([] { DateSerial(32768, 1, 1); }).number(), 6);
    EXPECT_EQ(ErrorOf([] { DateSerial(2024, -32769, 1); }).number(), 6);
    const AutomationError error = ErrorOf([] { DateSerial(2024, 1, 40000); });
    EXPECT_EQ(error.number(), 6);
    EXPECT_EQ(error.description(), u"Overflow");
    EXPECT_EQ(ErrorOf([] { TimeSerial(0, 0, 32768); }).number(), 6);
    // In range for 16 bits, rolled over, and inside the calendar.
    EXPECT_EQ(DateSerial(2000, 1, 32767), Day(2000, 1, 1) + 32766 * kSecondsPerDay);
}

TEST(TimeSerial, RollsOverLikeTheDateSerial) {
    EXPECT_EQ(TimeSerial(25, 0, 0), kSecondsPerDay + 3600);
    EXPECT_EQ(TimeSerial(8, -1, 0), 7 * 3600 + 59 * 60);
    EXPECT_EQ(TimeSerial(0, 0, -1), -1);
    EXPECT_EQ(DateSerial(2024, 3, 1) + TimeSerial(0, 0, -1), Day(2024, 2, 29) + 86399);
}

TEST(CalendarParts, ReadBackDatesTimesAndWeekdays) {
    const Moment m = DateSerial(2026, 12, 7) + TimeSerial(8, 53, 29);
    EXPECT_EQ(DateParts(m).year, 2026);
    EXPECT_EQ(DateParts(m).month, 12);
    EXPECT_EQ(DateParts(m).day, 7);
    EXPECT_EQ(Hour(m), 8);
    EXPECT_EQ(Minute(m), 53);
    EXPECT_EQ(Second(m), 29);
    EXPECT_EQ(Weekday(m), 2); // a Monday
    EXPECT_EQ(Weekday(0), 7); // 1899-12-30 was a Saturday
    EXPECT_EQ(Weekday(DateSerial(1899, 12, 24) + 3600), 1);
    EXPECT_EQ(Today(m), DateSerial(2026, 12, 7));
    // Before the epoch the day rounds down and the time of day stays positive.
    const Moment before = DateSerial(1899, 12, 29) + TimeSerial(6, 0, 0);
    EXPECT_EQ(Today(before), DateSerial(1899, 12, 29));
    EXPECT_EQ(Hour(before), 6);
}

TEST(CalendarArithmetic, AddsDaysAndMonths) {
    const Moment jan31 = DateSerial(2024, 1, 31) + TimeSerial(7, 0, 0);
    EXPECT_EQ(AddMonths(1, jan31), DateSerial(2024, 2, 29) + TimeSerial(7, 0, 0));
    EXPECT_EQ(AddMonths(13, jan31), DateSerial(2025, 2, 28) + TimeSerial(7, 0, 0));
    EXPECT_EQ(AddMonths(-2, jan31), DateSerial(2023, 11, 30) + TimeSerial(7, 0, 0));
    EXPECT_EQ(AddDays(-31, jan31), DateSerial(2023, 12, 31) + TimeSerial(7, 0, 0));
    EXPECT_EQ(ErrorOf([] { AddDays(1, DateSerial(9999, 12, 31)); }).number(), 5);
    EXPECT_EQ(ErrorOf([] { AddMonths(1, DateSerial(9999, 12, 1)); }).number(), 5);
}

TEST(OleDate, HasNegativeDaysWithPositiveTimeBeforeTheEpoch) {
    EXPECT_DOUBLE_EQ(ToOleDate(DateSerial(1899, 12, 29) + TimeSerial(6, 0, 0)), -1.25);
    EXPECT_DOUBLE_EQ(ToOleDate(DateSerial(1899, 12, 30) + TimeSerial(6, 0, 0)), 0.25);
    EXPECT_DOUBLE_EQ(ToOleDate(DateSerial(2000, 1, 1) + TimeSerial(18, 0, 0)), 36526.75);
    // Far beyond the calendar, where the day no longer fits 32 bits after a shift by 7.
    EXPECT_DOUBLE_EQ(ToOleDate((Moment{1} << 40) + 43200), 12725829 + 45376 / 86400.0);
    EXPECT_EQ(FromOleDate(-1.25), DateSerial(1899, 12, 29) + TimeSerial(6, 0, 0));
    EXPECT_EQ(FromOleDate(-0.25), TimeSerial(6, 0, 0));
    EXPECT_EQ(FromOleDate(-1.0), DateSerial(1899, 12, 29));
    // A value a hair short of midnight rounds to the next day, not to 24:00:00 of this one.
    EXPECT_EQ(FromOleDate(36526.9999999999), DateSerial(2000, 1, 2));
}

// Every day of the calendar, checked against the standard library's civil calendar, with
// seconds spread across the day converted to date values and back.
TEST(OleDate, RoundTripsEveryDayOfTheCalendar) {
    using namespace std::chrono;
    const sys_days epoch = year{1899} / December / 30;
    constexpr Moment kSeconds[] = {0, 1, 59, 3600, 43199, 43200, 86398, 86399};
    int failures = 0;
    std::int64_t count = 0;
    for (sys_days day = year{100} / January / 1; day <= year{9999} / December / 31;
         day += days{1}) {
        const year_month_day ymd{day};
        const std::int64_t serial = (day - epoch).count();
        const Moment date = DateSerial(int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()));
        const CivilDate parts = DateParts(date);
        bool ok = date == serial * kSecondsPerDay && parts.year == int(ymd.year()) &&
                  parts.month == int(unsigned(ymd.month())) &&
                  parts.day == int(unsigned(ymd.day())) &&
                  Weekday(date) == int(weekday{day}.c_encoding()) + 1;
        const Moment offset = (serial % 997 + 997) % 997;
        for (Moment second : kSeconds) {
            const Moment m = date + (second + offset) % kSecondsPerDay;
            const double ole = ToOleDate(m);
            ok = ok && FromOleDate(ole) == m && std::trunc(ole) == static_cast<double>(serial);
        }
        if (!ok && ++failures < 5)
            ADD_FAILURE() << "day " << serial << " does not round-trip";
        ++count;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(count, kLastDay - kFirstDay + 1);
}

} // namespace
} // namespace quorvane
