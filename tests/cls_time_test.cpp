#include "cls_time.h"

#include "fakes.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using testing::ErrorOf;

Moment At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return DateSerial(y, mo, d) + TimeSerial(h, mi, s);
}

clsTime Entry(std::int32_t ty, std::int32_t yr, std::int32_t mon, std::int32_t wk, std::int32_t dy,
              std::int32_t hr, std::int32_t min, std::int32_t sec, Moment now) {
    clsTime entry;
    entry.SetSchedule(u"e", ty, yr, mon, wk, dy, hr, min, sec, now);
    return entry;
}

AutomationError RefusalOf(std::int32_t ty, std::int32_t yr, std::int32_t mon, std::int32_t wk,
                          std::int32_t dy, std::int32_t hr, std::int32_t min, std::int32_t sec) {
    return ErrorOf([&] { Entry(ty, yr, mon, wk, dy, hr, min, sec, At(2026, 12, 7)); });
}

TEST(EntryChecks, RefuseFieldsOutOfRangeWithTheirDetail) {
    struct Case {
        std::int32_t ty, yr, mon, wk, dy, hr, min, sec;
        std::int32_t number;
        std::u16string description;
    };
    const Case cases[] = {
        {schEveryDay, 0, 0, 0, 0, 24, 0, 0, 50001, u"invalid date value.hr = 24"},
        {schEveryDay, 0, 0, 0, 0, -1, 0, 0, 50001, u"invalid date value.hr = -1"},
        {schEveryDay, 0, 0, 0, 0, 0, 60, 0, 50001, u"invalid date value.min = 60"},
        {schEveryDay, 0, 0, 0, 0, 0, 0, 60, 50001, u"invalid date value.sec = 60"},
        {schEveryWeek, 0, 0, 7, 0, 0, 0, 0, 50001, u"invalid date value.wk = 7"},
        {schEveryWeek, 0, 0, -1, 0, 0, 0, 0, 50001, u"invalid date value.wk = -1"},
        {schEveryMonth, 0, 0, 0, 29, 0, 0, 0, 50001, u"invalid date value.day = 29"},
        {schEveryMonth, 0, 0, 0, 0, 0, 0, 0, 50001, u"invalid date value.day = 0"},
        {schAppointTime, 2027, 2, 0, 29, 0, 0, 0, 50001, u"invalid date value.date = 2027/2/29"},
        {schAppointTime, 5, 1, 0, 1, 0, 0, 0, 50001, u"invalid date value.date = 5/1/1"},
        {schAppointTime, 2027, 13, 0, 1, 0, 0, 0, 50001, u"invalid date value.date = 2027/13/1"},
        {4, 0, 0, 0, 0, 0, 0, 0, 50002, u"ty = 4"},
        {-1, 0, 0, 0, 0, 0, 0, 0, 50002, u"ty = -1"},
        // The time is checked before the kind, the hour before the minute.
        {4, 0, 0, 0, 0, 99, 99, 0, 50001, u"invalid date value.hr = 99"},
        {schEveryWeek, 0, 0, 9, 0, 0, 99, 0, 50001, u"invalid date value.min = 99"},
        {schEveryMonth, 0, 0, 0, 30, 0, 0, -2147483647 - 1, 50001,
         u"invalid date value.sec = -2147483648"},
    };
    for (const Case &c : cases) {
        const AutomationError error = RefusalOf(c.ty, c.yr, c.mon, c.wk, c.dy, c.hr, c.min, c.sec);
        EXPECT_EQ(error.number(), c.number);
        EXPECT_EQ(error.source(), u"AddSchedule");
        EXPECT_EQ(error.description(), c.description);
    }
}

TEST(EntryChecks, IgnoreFieldsTheKindDoesNotUse) {
    const clsTime daily = Entry(schEveryDay, 0, 0, 99, 99, 8, 0, 0, At(2026, 12, 7));
    EXPECT_EQ(daily.NextTime(), At(2026, 12, 7, 8));
    const clsTime weekly = Entry(schEveryWeek, 0, 0, 3, 99, 8, 0, 0, At(2026, 12, 7));
    EXPECT_EQ(weekly.NextTime(), At(2026, 12, 9, 8));
}

TEST(EntryChecks, PassTheCalendarsOverflowThroughForOneShotDates) {
    EXPECT_EQ(RefusalOf(schAppointTime, 40000, 1, 0, 1, 0, 0, 0).number(), 6);
    EXPECT_EQ(RefusalOf(schAppointTime, 10000, 1, 0, 1, 0, 0, 0).number(), 5);
}

TEST(DailyEntry, IsDueTodayUntilItsSecondHasPassed) {
    EXPECT_EQ(Entry(schEveryDay, 0, 0, 0, 0, 8, 0, 0, At(2026, 12, 7, 8)).NextTime(),
              At(2026, 12, 7, 8));
    EXPECT_EQ(Entry(schEveryDay, 0, 0, 0, 0, 8, 0, 0, At(2026, 12, 7, 8, 0, 1)).NextTime(),
              At(2026, 12, 8, 8));
    EXPECT_EQ(Entry(schEveryDay, 0, 0, 0, 0, 0, 0, 0, At(2026, 12, 31, 23, 59, 59)).NextTime(),
              At(2027, 1, 1));
}

TEST(WeeklyEntry, CountsDaysToItsWeekday) {
    // 2026-12-04 is a Friday, 2026-12-07 a Monday, 2026-12-05 a Saturday.
    EXPECT_EQ(Entry(schEveryWeek, 0, 0, 1, 0, 9, 0, 0, At(2026, 12, 4, 12)).NextTime(),
              At(2026, 12, 7, 9));
    EXPECT_EQ(Entry(schEveryWeek, 0, 0, 1, 0, 9, 0, 0, At(2026, 12, 7, 9, 0, 1)).NextTime(),
              At(2026, 12, 14, 9));
    EXPECT_EQ(Entry(schEveryWeek, 0, 0, 1, 0, 9, 0, 0, At(2026, 12, 7, 9)).NextTime(),
              At(2026, 12, 7, 9));
    EXPECT_EQ(Entry(schEveryWeek, 0, 0, 0, 0, 9, 0, 0, At(2026, 12, 5, 23)).NextTime(),
              At(2026, 12, 6, 9));
    EXPECT_EQ(Entry(schEveryWeek, 0, 0, 6, 0, 0, 0, 0, At(2026, 12, 6)).NextTime(),
              At(2026, 12, 12));
}

TEST(MonthlyEntry, MovesToNextMonthOnlyOnceItsDayHasPassed) {
    EXPECT_EQ(Entry(schEveryMonth, 0, 0, 0, 15, 6, 0, 0, At(2026, 12, 20)).NextTime(),
              At(2027, 1, 15, 6));
    EXPECT_EQ(Entry(schEveryMonth, 0, 0, 0, 15, 6, 0, 0, At(2026, 12, 15, 6)).NextTime(),
              At(2026, 12, 15, 6));
    EXPECT_EQ(Entry(schEveryMonth, 0, 0, 0, 15, 6, 0, 0, At(2026, 12, 15, 6, 0, 1)).NextTime(),
              At(2027, 1, 15, 6));
    EXPECT_EQ(Entry(schEveryMonth, 0, 0, 0, 28, 0, 0, 0, At(2027, 1, 31, 12)).NextTime(),
              At(2027, 2, 28));
    EXPECT_EQ(Entry(schEveryMonth, 0, 0, 0, 1, 0, 0, 0, At(2026, 12, 2)).NextTime(),
              At(2027, 1, 1));
}

TEST(OneShotEntry, KeepsItsAppointedMomentWhateverTheClock) {
    clsTime entry = Entry(schAppointTime, 2028, 2, 0, 29, 23, 59, 59, At(2026, 12, 7));
    EXPECT_EQ(entry.NextTime(), At(2028, 2, 29, 23, 59, 59));
    entry.SetNextTime(At(2030, 1, 1));
    entry.SetNextTime(At(2020, 1, 1));
    EXPECT_EQ(entry.NextTime(), At(2028, 2, 29, 23, 59, 59));
    EXPECT_EQ(entry.DateType(), schAppointTime);
    EXPECT_EQ(entry.key(), u"e");
}

TEST(RecurringEntry, FailsWhenItsNextOccurrenceLeavesTheCalendar) {
    clsTime entry = Entry(schEveryDay, 0, 0, 0, 0, 8, 0, 0, At(9999, 12, 31, 7));
    EXPECT_EQ(entry.NextTime(), At(9999, 12, 31, 8));
    EXPECT_EQ(ErrorOf([&] { entry.SetNextTime(At(9999, 12, 31, 9)); }).number(), 5);
    EXPECT_EQ(entry.NextTime(), At(9999, 12, 31, 8));
    EXPECT_EQ(ErrorOf([] { Entry(schEveryMonth, 0, 0, 0, 1, 0, 0, 0, At(9999, 12, 2)); }).number(),
              5);
}

} // namespace
} // namespace quorvane
