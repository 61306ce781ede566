// The collection at sizes of many blocks: inserting before and after positions and keys,
// removing by either, growing to thousands and shrinking to nothing, it must agree item by
// item with a plain vector, and find every key. A copy, as made while a walk shares the items,
// keeps its own keys whatever the original goes through.
#include "collection.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

using testing::ErrorOf;

using Plain = std::vector<std::pair<int, std::optional<std::u16string>>>;

std::size_t PlaceOfKey(const Plain &plain, const std::u16string &key) {
    return static_cast<std::size_t>(
        std::find_if(plain.begin(), plain.end(), [&](const auto &e) { return e.second == key; }) -
        plain.begin());
}

// Every item, key and position in order; each `stride`th item by position and by key.
void ExpectSame(const Collection<int> &c, const Plain &plain, std::size_t stride = 97) {
    ASSERT_EQ(c.Count(), static_cast<std::int32_t>(plain.size()));
    std::size_t at = 0;
    c.ForEach([&](int item, std::optional<std::u16string_view> key) {
        ASSERT_EQ(item, plain[at].first) << "at " << at;
        ASSERT_EQ(key.has_value(), plain[at].second.has_value()) << "at " << at;
        if (key) {
            ASSERT_EQ(*key, *plain[at].second) << "at " << at;
        }
        ++at;
    });
    for (std::size_t i = 0; i < plain.size(); i += stride) {
        EXPECT_EQ(c[i], plain[i].first);
        EXPECT_EQ(c.ItemAt(static_cast<std::int64_t>(i + 1)), plain[i].first);
        EXPECT_EQ(c.KeyAt(i), plain[i].second);
        if (plain[i].second) {
            EXPECT_EQ(c.ItemAt(*plain[i].second), plain[i].first);
        }
    }
}

TEST(LargeCollection, AgreesWithAPlainVectorThroughInsertsAndRemovalsAnywhere) {
    std::mt19937_64 rng(11);
    const auto below = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    Collection<int> c;
    Plain plain;
    int next = 0;
    for (int round = 0; round < 24; ++round) {
        const bool growing = round < 12;
        for (int op = 0; op < 1000; ++op) {
            const std::size_t roll = below(100);
            const bool by_key = below(2) == 0;
            // A keyed item to refer to, or a position (from 1).
            const std::size_t target = plain.empty() ? 0 : below(plain.size());
            std::optional<CollectionIndex> index;
            if (!plain.empty())
                index = by_key && plain[target].second
                            ? CollectionIndex{*plain[target].second}
                            : CollectionIndex{static_cast<std::int64_t>(target + 1)};
            const std::size_t place = index && std::holds_alternative<std::u16string>(*index)
                                          ? PlaceOfKey(plain, std::get<std::u16string>(*index))
                                          : target;
            if (plain.empty() || roll < (growing ? 75 : 30)) {
                const int item = next++;
                std::optional<std::u16string> key;
                if (item % 4 != 0)
                    key = u"k" + std::u16string(static_cast<std::size_t>(item % 7 * 3), u'x') +
                          std::u16string(1, static_cast<char16_t>(u'0' + item % 10)) +
                          std::u16string(1, static_cast<char16_t>(0x100 + item / 10));
                if (roll < 25 || !index) {
                    c.Add(item, key);
                    plain.emplace_back(item, key);
                } else if (roll < 50) {
                    c.Add(item, key, index);
                    plain.insert(plain.begin() + static_cast<std::ptrdiff_t>(place), {item, key});
                } else {
                    c.Add(item, key, {}, index);
                    plain.insert(plain.begin() + static_cast<std::ptrdiff_t>(place + 1),
                                 {item, key});
                }
            } else {
                c.Remove(*index);
                plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(place));
            }
        }
        ExpectSame(c, plain);
        if (HasFatalFailure())
            return;
    }
    while (!plain.empty()) {
        c.Remove(std::int64_t{1});
        plain.erase(plain.begin());
    }
    EXPECT_EQ(c.Count(), 0);
    c.Add(1, u"k");
    EXPECT_EQ(c.ItemAt(u"k"), 1);
}

TEST(LargeCollection, AppendedDistinctKeysAreAllIndexedInOrder) {
    Collection<int> c;
    c.Add(-1, u"first");
    Plain plain{{-1, u"first"}};
    c.AppendDistinct(5000, [&](const auto &add) {
        for (int i = 0; i < 5000; ++i) {
            const std::u16string key = u"name " + std::u16string(i % 20, u'.') + Decimal(i);
            add(i, key);
            plain.emplace_back(i, key);
        }
    });
    ExpectSame(c, plain);
    // Removed by position before any key is asked for: its key must not be found afterwards.
    const std::u16string removed = *plain[1].second;
    c.Remove(std::int64_t{2});
    plain.erase(plain.begin() + 1);
    for (const auto &[item, key] : plain)
        ASSERT_EQ(c.ItemAt(*key), item);
    EXPECT_EQ(ErrorOf([&] { c.ItemAt(removed); }).number(), 5);
    EXPECT_EQ(ErrorOf([&] { c.Add(0, *plain.back().second); }).number(), 457);
    c.Remove(*plain[2500].second);
    EXPECT_EQ(c.Count(), 4999);
}

// The item at zero-based `place` by its key if it has one and `by_key`, else by position.
CollectionIndex IndexOf(const Plain &plain, std::size_t place, bool by_key) {
    if (by_key && plain[place].second)
        return *plain[place].second;
    return static_cast<std::int64_t>(place + 1);
}

// Removes every third item, by key or by position, and adds as many with new keys of the same
// lengths (so that they are likely to take the freed keys' memory), some before a key.
void Reshape(Collection<int> &c, Plain &plain, char16_t mark) {
    for (std::size_t at = plain.size() / 3 * 3; at > 0; at -= 3) {
        const std::size_t place = at - 1;
        auto [item, key] = plain[place];
        c.Remove(IndexOf(plain, place, at % 2 == 0));
        plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(place));
        if (key) {
            EXPECT_EQ(ErrorOf([&] { c.ItemAt(*key); }).number(), 5);
            key->front() = mark;
        }
        item += 100000;
        if (at % 4 == 0 && place < plain.size()) {
            c.Add(item, key, IndexOf(plain, place, true));
            plain.insert(plain.begin() + static_cast<std::ptrdiff_t>(place), {item, key});
        } else {
            c.Add(item, key);
            plain.emplace_back(item, key);
        }
    }
}

TEST(LargeCollection, ACopyAndItsOriginalChangeAndGoApart) {
    // Keys short enough to sit in place and long ones on the heap, and items without one, over
    // several blocks; the key index stale (appended) for one copy and built for the other.
    Plain plain;
    auto original = std::make_unique<Collection<int>>();
    original->AppendDistinct(3000, [&](const auto &add) {
        for (int i = 0; i < 3000; ++i) {
            const std::u16string key = u"k" + std::u16string(i % 3 * 10, u'-') + Decimal(i);
            add(i, key);
            plain.emplace_back(i, key);
        }
    });
    for (int i = 3000; i < 3100; ++i) {
        original->Add(i);
        plain.emplace_back(i, std::nullopt);
    }
    Collection<int> unindexed = *original;
    EXPECT_EQ(original->ItemAt(u"k0"), 0);
    Collection<int> indexed = *original;

    Plain changed = plain;
    Reshape(*original, changed, u'o');
    ExpectSame(*original, changed, 1);
    ExpectSame(indexed, plain, 1);
    Plain indexed_plain = plain;
    Reshape(indexed, indexed_plain, u'i');
    ExpectSame(*original, changed, 1);
    original.reset();
    Reshape(unindexed, plain, u'u'); // its new keys are likely to take the original's memory
    ExpectSame(unindexed, plain, 1);
    ExpectSame(indexed, indexed_plain, 1);
}

} // namespace
} // namespace quorvane
