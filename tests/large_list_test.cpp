// The entry list at sizes where its tree has several levels and its name index grows and
// shrinks: through many adds, removals by name, re-sorts and removals at the front, with
// crowds of ties, it must keep exactly the order and names of a plain sorted vector.
#include "schedule_list.h"

#include "automation_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

struct Named {
    std::u16string name;
    Moment at;
};

// The rules stated plainly: a new entry goes after its ties, a re-sorted first entry before.
class Reference {
public:
    void Append(const std::u16string &name, Moment at) {
        const auto place = std::upper_bound(list.begin(), list.end(), at,
                                            [](Moment m, const Named &e) { return m < e.at; });
        list.insert(place, {name, at});
    }
    void ResortFront(Moment at) {
        const std::u16string name = list.front().name;
        list.erase(list.begin());
        const auto place = std::lower_bound(list.begin(), list.end(), at,
                                            [](const Named &e, Moment m) { return e.at < m; });
        list.insert(place, {name, at});
    }
    void Remove(const std::u16string &name) {
        list.erase(
            std::find_if(list.begin(), list.end(), [&](const Named &e) { return e.name == name; }));
    }
    std::vector<Named> list;
};

clsTime OneShot(const std::u16string &name, Moment at) {
    const CivilDate date = DateParts(at);
    clsTime entry;
    entry.SetSchedule(name, schAppointTime, static_cast<std::int32_t>(date.year), date.month, 0,
                      date.day, Hour(at), Minute(at), Second(at), at);
    return entry;
}

// Names of every length around what an entry keeps in place, longer ones, and names that
// differ only in letter case.
std::u16string NameOf(int i) {
    std::u16string name = u"e" + Decimal(i);
    name.resize(std::max<std::size_t>(name.size(), static_cast<std::size_t>(i % 23)), u'.');
    if (i % 11 == 0)
        name += u" with a name too long to keep in place";
    if (i % 5 == 0)
        name[0] = u'E';
    return name;
}

void ExpectSame(const ScheduleList &list, const Reference &reference) {
    ASSERT_EQ(list.size(), reference.list.size());
    std::size_t i = 0;
    for (const ScheduleList::Entry &entry : list) {
        ASSERT_EQ(entry.key(), reference.list[i].name) << "at " << i;
        ASSERT_EQ(entry.NextTime(), reference.list[i].at) << "at " << i;
        ++i;
    }
    if (!list.empty()) {
        EXPECT_EQ(list.FrontDue(), reference.list.front().at);
    }
}

TEST(LargeList, KeepsOrderTiesAndNamesThroughGrowthAndShrinking) {
    std::mt19937_64 rng(7);
    const auto below = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const Moment base = DateSerial(2030, 1, 1);
    // Half the moments fall on 40 seconds only, so ties run across many leaves.
    const auto moment = [&] { return base + (below(2) ? below(40) : below(100000000)); };

    ScheduleList list;
    Reference reference;
    std::vector<std::u16string> listed;
    int next_name = 0;
    // About 8,000 entries at the peak: over a hundred leaves under two levels of inner nodes.
    for (int round = 0; round < 40; ++round) {
        const bool growing = round < 20;
        for (int op = 0; op < 800; ++op) {
            const int roll = below(100);
            if (listed.empty() || roll < (growing ? 70 : 25)) {
                listed.push_back(NameOf(next_name++));
                const Moment at = moment();
                list.Append(OneShot(listed.back(), at));
                reference.Append(listed.back(), at);
            } else if (roll < 85) {
                const std::size_t pick = static_cast<std::size_t>(below(int(listed.size())));
                EXPECT_TRUE(list.Remove(listed[pick]));
                reference.Remove(listed[pick]);
                listed[pick] = listed.back();
                listed.pop_back();
            } else if (roll < 95) {
                const Moment at = moment();
                list.ResortFront(at);
                reference.ResortFront(at);
            } else {
                const std::u16string name(list.Front().key());
                list.RemoveFront();
                reference.Remove(name);
                listed.erase(std::find(listed.begin(), listed.end(), name));
            }
        }
        ExpectSame(list, reference);
        for (int probe = 0; probe < 50; ++probe) {
            const std::u16string name = NameOf(below(next_name + 1));
            const bool in = std::find(listed.begin(), listed.end(), name) != listed.end();
            const ScheduleList::Entry *found = list.Find(name);
            ASSERT_EQ(found != nullptr, in);
            if (found) {
                EXPECT_EQ(found->key(), name);
            }
        }
        if (HasFatalFailure())
            return;
    }
    while (!listed.empty()) {
        EXPECT_TRUE(list.Remove(listed.back()));
        listed.pop_back();
    }
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.begin(), list.end());
}

} // namespace
} // namespace quorvane
