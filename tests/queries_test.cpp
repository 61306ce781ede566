// GetSchedules and NextTime, and the collection they are built on.
#include "fakes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace quorvane {
namespace {

using testing::ErrorOf;
using testing::Rig;

double Ole(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return ToOleDate(DateSerial(y, mo, d) + TimeSerial(h, mi, s));
}

using QueriesTest = testing::ScheduleTest;

TEST_F(QueriesTest, AnEmptyListGivesAnEmptyCollectionAndCode4ForEveryName) {
    EXPECT_EQ(s.GetSchedules().Count(), 0);
    const std::u16string name = u"Wake up";
    const AutomationError error = ErrorOf([&] { s.NextTime(name); });
    EXPECT_EQ(error.number(), 50004);
    EXPECT_EQ(error.source(), u"Halvorix.NextTime");
    EXPECT_EQ(error.description(), u"invalid ScheduleName of Wake up");
    EXPECT_EQ(name, u"Wake up");
}

TEST_F(QueriesTest, ListEveryMomentInDueOrderUnderItsName) {
    s.AddSchedule(u"later", schAppointTime, 2027, 1, 0, 2, 3, 4, 5);
    s.AddSchedule(u"sooner", schEveryDay, 0, 0, 0, 0, 13);
    s.AddSchedule(u"tie", schEveryWeek, 0, 0, 1, 0, 13);
    const Collection<double> all = s.GetSchedules();
    ASSERT_EQ(all.Count(), 3);
    EXPECT_EQ(all.ItemAt(std::int64_t{1}), Ole(2026, 12, 7, 13));
    EXPECT_EQ(all.KeyAt(1), u"tie");
    EXPECT_EQ(all.ItemAt(std::int64_t{3}), Ole(2027, 1, 2, 3, 4, 5));
    EXPECT_EQ(all.ItemAt(u"later"), Ole(2027, 1, 2, 3, 4, 5));
    EXPECT_EQ(s.NextTime(u"tie"), Ole(2026, 12, 7, 13));
    EXPECT_EQ(ErrorOf([&] { s.NextTime(u"Tie"); }).description(), u"invalid ScheduleName of Tie");
}

TEST_F(QueriesTest, ASnapshotIsTheCallersOwn) {
    s.AddSchedule(u"a", schEveryDay);
    s.AddSchedule(u"A", schEveryDay);
    Collection<double> before = s.GetSchedules();
    s.RemoveAllSchedule();
    EXPECT_EQ(before.Count(), 2);
    EXPECT_EQ(s.GetSchedules().Count(), 0);
    s.AddSchedule(u"a", schEveryDay);
    Collection<double> mine = s.GetSchedules();
    mine.Remove(u"a");
    mine.Add(1.0, u"b");
    EXPECT_EQ(s.GetSchedules().Count(), 1);
    EXPECT_EQ(s.NextTime(u"a"), Ole(2026, 12, 8));
}

// The snapshot shares the list's store; the list copies it before each kind of change (an add,
// a removal by name, a tick that re-sorts or drops the first entry, removing all), and the
// snapshot, and a walk of it begun before, still read the list as it was, at a size of several
// tree levels.
TEST_F(QueriesTest, ASharedSnapshotReadsTheListAsTakenWhateverTheListDoesAfter) {
    constexpr int kEntries = 5000;
    const auto name = [](int i) {
        const std::string digits = std::to_string(i);
        return u"e" + std::u16string(digits.begin(), digits.end());
    };
    for (int i = 0; i < kEntries; ++i) // daily, one second apart from 12:00:01 on
        s.AddSchedule(name(i), schEveryDay, 0, 0, 0, 0, 12 + (i + 1) / 3600, (i + 1) / 60 % 60,
                      (i + 1) % 60);
    s.AddSchedule(u"once", schAppointTime, 2027, 1, 0, 1);
    const Collection<double> expected = s.GetSchedules();

    const ScheduleSnapshot snapshot = s.Snapshot();
    ScheduleSnapshot::Walk walk(snapshot);
    Moment due;
    for (int i = 0; i < kEntries / 2; ++i)
        ASSERT_TRUE(walk.Next(&due));
    const auto change_list_and_check = [&](const std::function<void()> &change) {
        change();
        ASSERT_EQ(snapshot.Count(), kEntries + 1);
        EXPECT_EQ(ToOleDate(snapshot.ItemAt(std::int64_t{1})), expected.ItemAt(std::int64_t{1}));
        EXPECT_EQ(ToOleDate(snapshot.ItemAt(std::int64_t{kEntries + 1})), Ole(2027, 1, 1));
        EXPECT_EQ(ToOleDate(snapshot.ItemAt(name(7))), expected.ItemAt(name(7)));
        EXPECT_EQ(ErrorOf([&] { snapshot.ItemAt(u"new"); }).number(), 5);
        EXPECT_EQ(ErrorOf([&] { snapshot.ItemAt(u"ONCE"); }).number(), 5);
        EXPECT_EQ(ErrorOf([&] { snapshot.ItemAt(std::int64_t{kEntries + 2}); }).number(), 9);
    };
    change_list_and_check([&] { s.AddSchedule(u"new", schEveryDay, 0, 0, 0, 0, 6); });
    change_list_and_check([&] { s.RemoveSchedule(name(7)); });
    change_list_and_check([&] {
        rig.clock.Set(2026, 12, 7, 12, 0, 3); // the first two go off and move to tomorrow
        rig.Tick();
    });
    EXPECT_EQ(s.NextTime(name(0)), Ole(2026, 12, 8, 12, 0, 1));
    EXPECT_EQ(ErrorOf([&] { s.NextTime(name(7)); }).number(), 50004);
    change_list_and_check([&] { s.RemoveAllSchedule(); });
    EXPECT_TRUE(s.Entries().empty());

    // The walk goes on where it was; a collection of the snapshot holds it all, in order.
    for (std::int64_t at = kEntries / 2 + 1; at <= kEntries + 1; ++at) {
        ASSERT_TRUE(walk.Next(&due));
        ASSERT_EQ(ToOleDate(due), expected.ItemAt(at)) << at;
    }
    EXPECT_FALSE(walk.Next(&due));
    const Collection<double> copy = snapshot.CopyOf<double>(ToOleDate);
    ASSERT_EQ(copy.Count(), kEntries + 1);
    for (std::size_t at = 0; at < static_cast<std::size_t>(kEntries) + 1; at += 97) {
        EXPECT_EQ(copy[at], expected[at]);
        EXPECT_EQ(copy.KeyAt(at), expected.KeyAt(at));
    }
}

// A tick that moves the first entry on while a snapshot shares the list's store: the list
// copies the store first, and the snapshot reads the list as it was.
TEST_F(QueriesTest, ASnapshotTakenBeforeATickKeepsTheFirstEntryWhereItWas) {
    s.AddSchedule(u"first", schEveryDay, 0, 0, 0, 0, 12, 0, 1);
    s.AddSchedule(u"second", schEveryDay, 0, 0, 0, 0, 12, 0, 2);
    s.AddSchedule(u"third", schEveryDay, 0, 0, 0, 0, 13);
    const ScheduleSnapshot snapshot = s.Snapshot();
    rig.clock.Set(2026, 12, 7, 12, 0, 2); // "first" goes off and moves to tomorrow
    rig.Tick();
    ASSERT_EQ(rig.events.fired, std::vector<std::u16string>{u"first"});
    EXPECT_EQ(s.NextTime(u"first"), Ole(2026, 12, 8, 12, 0, 1));

    EXPECT_EQ(ToOleDate(snapshot.ItemAt(u"first")), Ole(2026, 12, 7, 12, 0, 1));
    EXPECT_EQ(ToOleDate(snapshot.ItemAt(std::int64_t{1})), Ole(2026, 12, 7, 12, 0, 1));
    EXPECT_EQ(ToOleDate(snapshot.ItemAt(std::int64_t{3})), Ole(2026, 12, 7, 13));
    ScheduleSnapshot::Walk walk(snapshot);
    std::vector<double> walked;
    for (Moment due; walk.Next(&due);)
        walked.push_back(ToOleDate(due));
    EXPECT_EQ(walked, (std::vector<double>{Ole(2026, 12, 7, 12, 0, 1), Ole(2026, 12, 7, 12, 0, 2),
                                           Ole(2026, 12, 7, 13)}));
    const Collection<double> copy = snapshot.CopyOf<double>(ToOleDate);
    EXPECT_EQ(copy.KeyAt(0), u"first");
    EXPECT_EQ(copy[0], Ole(2026, 12, 7, 12, 0, 1));
}

TEST(CollectionTest, InsertsBeforeAndAfterByPositionOrKey) {
    Collection<int> c;
    c.Add(1, u"one");
    c.Add(3);
    c.Add(0, u"zero", CollectionIndex{std::int64_t{1}});
    c.Add(2, std::nullopt, {}, CollectionIndex{u"one"});
    c.Add(4, u"four", {}, CollectionIndex{std::int64_t{4}});
    ASSERT_EQ(c.Count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(c.ItemAt(std::int64_t{i + 1}), i);
    EXPECT_EQ(c.ItemAt(u"one"), 1);
    EXPECT_EQ(c.ItemAt(u"four"), 4);
    c.Remove(std::int64_t{1});
    EXPECT_EQ(c.ItemAt(u"one"), 1);
    c.Remove(u"one");
    EXPECT_EQ(c.ItemAt(std::int64_t{1}), 2);
    EXPECT_EQ(c.ItemAt(u"four"), 4);
    c.Add(9, u"one");
    EXPECT_EQ(c.ItemAt(u"one"), 9);
}

TEST(CollectionTest, RaisesTheRuntimesErrors) {
    Collection<int> c;
    c.Add(1, u"k");
    EXPECT_EQ(ErrorOf([&] { c.ItemAt(std::int64_t{0}); }).number(), 9);
    EXPECT_EQ(ErrorOf([&] { c.ItemAt(std::int64_t{2}); }).description(), u"Subscript out of range");
    EXPECT_EQ(ErrorOf([&] { c.ItemAt(u"K"); }).number(), 5);
    EXPECT_EQ(ErrorOf([&] { c.Remove(u"x"); }).number(), 5);
    const AutomationError duplicate = ErrorOf([&] { c.Add(2, u"k"); });
    EXPECT_EQ(duplicate.number(), 457);
    EXPECT_EQ(duplicate.description(),
              u"This key is already associated with an element of this collection");
    EXPECT_EQ(ErrorOf([&] {
                  c.Add(2, u"x", CollectionIndex{std::int64_t{1}}, CollectionIndex{u"k"});
              }).number(),
              5);
    EXPECT_EQ(ErrorOf([&] { c.Add(2, u"x", CollectionIndex{std::int64_t{3}}); }).number(), 9);
    EXPECT_EQ(c.Count(), 1);
}

TEST(CollectionTest, TheEmptyKeyGoesWithItsItem) {
    // Removed by key, by position, and by position before a key of an appended snapshot was
    // ever looked up.
    for (int way = 0; way < 3; ++way) {
        Collection<int> c;
        c.Add(1, u"a");
        if (way < 2) {
            c.Add(2, u"");
            c.Add(3, u"b");
            EXPECT_EQ(c.ItemAt(u""), 2);
        } else {
            c.AppendDistinct(2, [](const auto &add) {
                add(2, u"");
                add(3, u"b");
            });
        }
        EXPECT_EQ(c.KeyAt(1), u"");
        c.Remove(way == 0 ? CollectionIndex{u""} : CollectionIndex{std::int64_t{2}});
        EXPECT_EQ(ErrorOf([&] { c.ItemAt(u""); }).number(), 5) << "way " << way;
        EXPECT_EQ(ErrorOf([&] { c.Remove(u""); }).number(), 5) << "way " << way;
        c.Add(4, u"");
        EXPECT_EQ(c.ItemAt(u""), 4) << "way " << way;
        EXPECT_EQ(c.ItemAt(std::int64_t{3}), 4);
        EXPECT_EQ(c.ItemAt(u"b"), 3);
        EXPECT_EQ(ErrorOf([&] { c.Add(5, u""); }).number(), 457);
    }
}

} // namespace
} // namespace quorvane
