// Adding and removing entries through the control: order of checks, ordering, timer switch.
#include "fakes.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using testing::ErrorOf;
using testing::Rig;

std::vector<std::u16string> Names(const Schedule &schedule) {
    std::vector<std::u16string> names;
    for (const auto &entry : schedule.Entries())
        names.emplace_back(entry.key());
    return names;
}

using ScheduleListTest = testing::ScheduleTest;

TEST_F(ScheduleListTest, NamesAreUniqueUnderExactComparison) {
    s.AddSchedule(u"Alarm", schEveryDay, 0, 0, 0, 0, 8);
    const AutomationError error = ErrorOf([&] { s.AddSchedule(u"Alarm", schEveryDay); });
    EXPECT_EQ(error.number(), 50003);
    EXPECT_EQ(error.source(), u"Halvorix.AddSchedule");
    EXPECT_EQ(error.description(), u"used key of Alarm");
    s.AddSchedule(u"alarm", schEveryDay);
    s.AddSchedule(u"", schEveryDay);
    s.AddSchedule(std::u16string(u"Al\0arm", 6), schEveryDay);
    s.AddSchedule(u"\u00c5larm\U0001F514", schEveryDay);
    EXPECT_EQ(s.Entries().size(), 5u);
    EXPECT_EQ(ErrorOf([&] { s.AddSchedule(u"", schEveryWeek, 0, 0, 1); }).description(),
              u"used key of ");
}

TEST_F(ScheduleListTest, LooksAtTheNameBeforeAnythingElse) {
    s.AddSchedule(u"a", schEveryDay);
    EXPECT_EQ(ErrorOf([&] { s.AddSchedule(u"a", 9, 40000, 0, 0, 0, 99); }).number(), 50003);
}

TEST_F(ScheduleListTest, FormsTheMomentForEveryKind) {
    // A daily entry does not use the year, yet the calendar must accept it.
    EXPECT_EQ(ErrorOf([&] { s.AddSchedule(u"d", schEveryDay, 10000, 1, 0, 1); }).number(), 5);
    EXPECT_EQ(ErrorOf([&] { s.AddSchedule(u"d", schEveryDay, 0, 40000); }).number(), 6);
    EXPECT_EQ(ErrorOf([&] { s.AddSchedule(u"d", schEveryDay, 0, 0, 0, 0, 0, 0, 70000); }).number(),
              6);
    // The weekday is no calendar field: only the entry checks it.
    EXPECT_EQ(ErrorOf([&] { s.AddSchedule(u"d", schEveryWeek, 0, 0, 70000); }).number(), 50001);
    EXPECT_TRUE(s.Entries().empty());
    EXPECT_FALSE(rig.timer.running);
    s.AddSchedule(u"d", schEveryDay, 0, 0, 0, 0);
    EXPECT_EQ(s.Entries().size(), 1u);
}

TEST_F(ScheduleListTest, DropsAOneShotEntryInThePastSilently) {
    s.AddSchedule(u"past", schAppointTime, 2026, 12, 0, 7, 11, 59, 59);
    EXPECT_TRUE(s.Entries().empty());
    EXPECT_FALSE(rig.timer.running);
    // 30 February of last year rolls over into March and is past: dropped, not refused.
    s.AddSchedule(u"feb30", schAppointTime, 2025, 2, 0, 30, 99, 99, 99);
    EXPECT_TRUE(s.Entries().empty());
    s.AddSchedule(u"now", schAppointTime, 2026, 12, 0, 7, 12, 0, 0);
    EXPECT_EQ(Names(s), std::vector<std::u16string>{u"now"});
    // In the future the entry's own checks apply.
    EXPECT_EQ(
        ErrorOf([&] { s.AddSchedule(u"feb30", schAppointTime, 2027, 2, 0, 30); }).description(),
        u"invalid date value.date = 2027/2/30");
}

TEST_F(ScheduleListTest, KeepsEntriesInDueOrderWithTiesInAddingOrder) {
    s.AddSchedule(u"c", schEveryDay, 0, 0, 0, 0, 14);
    s.AddSchedule(u"a", schEveryDay, 0, 0, 0, 0, 13);
    s.AddSchedule(u"tie1", schAppointTime, 2026, 12, 0, 7, 14);
    s.AddSchedule(u"b", schEveryWeek, 0, 0, 0, 0, 9);
    s.AddSchedule(u"tie2", schEveryDay, 0, 0, 0, 0, 14);
    EXPECT_EQ(Names(s), (std::vector<std::u16string>{u"a", u"c", u"tie1", u"tie2", u"b"}));
    s.RemoveSchedule(u"tie1");
    s.AddSchedule(u"tie1", schEveryDay, 0, 0, 0, 0, 14);
    EXPECT_EQ(Names(s), (std::vector<std::u16string>{u"a", u"c", u"tie2", u"tie1", u"b"}));
}

TEST_F(ScheduleListTest, SwitchesTheTimerWithTheListsContents) {
    EXPECT_FALSE(rig.timer.running);
    s.AddSchedule(u"a", schEveryDay);
    s.AddSchedule(u"b", schEveryDay);
    EXPECT_TRUE(rig.timer.running);
    EXPECT_EQ(rig.timer.starts, 1); // switching on an active timer keeps its countdown
    s.RemoveSchedule(u"nobody");
    EXPECT_TRUE(rig.timer.running);
    s.RemoveSchedule(u"a");
    EXPECT_TRUE(rig.timer.running);
    s.RemoveSchedule(u"b");
    EXPECT_FALSE(rig.timer.running);
    s.RemoveSchedule(u"b");
    EXPECT_FALSE(rig.timer.running);
    // A failed add leaves an empty list's timer off.
    ErrorOf([&] { s.AddSchedule(u"x", schEveryDay, 0, 0, 0, 0, 25); });
    EXPECT_FALSE(rig.timer.running);
}

TEST_F(ScheduleListTest, RemoveAllEmptiesTheListAndFreesEveryName) {
    for (char16_t c = u'a'; c <= u'z'; ++c)
        s.AddSchedule(std::u16string(1, c), schEveryDay, 0, 0, 0, 0, c % 24);
    s.RemoveAllSchedule();
    EXPECT_TRUE(s.Entries().empty());
    EXPECT_FALSE(rig.timer.running);
    EXPECT_EQ(s.Entries().Find(u"a"), nullptr);
    s.AddSchedule(u"a", schEveryDay);
    EXPECT_EQ(Names(s), std::vector<std::u16string>{u"a"});
}

} // namespace
} // namespace quorvane
