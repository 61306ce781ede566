// The due order's B+ tree grown deep and shrunk to nothing: its splits, borrows and merges of
// inner nodes must keep its shape and agree with a plain ordered map all the way.
#include "due_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <stdexcept>
#include <vector>

namespace quorvane {
namespace {

class DueOrderTest : public ::testing::Test {
protected:
    void Insert(const DueKey &key) {
        order.Insert(key, next_id);
        model.emplace(key, next_id++);
        Step();
    }
    void Erase(const DueKey &key) {
        order.Erase(key);
        model.erase(key);
        Step();
    }
    // The shape and the contents, every few hundred changes (each check walks the whole tree).
    void Step() {
        if (++changes % 512 == 0)
            Check();
    }
    void Check() {
        try {
            order.CheckInvariants();
        } catch (const std::logic_error &fault) {
            FAIL() << fault.what() << " after " << changes << " changes";
        }
        ASSERT_EQ(order.size(), model.size());
        if (changes % 4096 != 0)
            return;
        auto at = order.begin();
        for (const auto &entry : model) {
            ASSERT_EQ(*at, entry.second) << "after " << changes << " changes";
            ++at;
        }
        if (!model.empty()) {
            EXPECT_EQ(order.FrontKey().at, model.begin()->first.at);
            EXPECT_EQ(order.FrontKey().sequence, model.begin()->first.sequence);
        }
    }

    DueOrder order;
    std::map<DueKey, std::uint32_t> model;
    std::uint32_t next_id = 0;
    int changes = 0;
};

TEST_F(DueOrderTest, KeepsItsShapeGrowingDeepAndShrinkingToNothing) {
    std::mt19937_64 rng(5);
    std::int64_t sequence = 0;
    const auto random_key = [&] {
        return DueKey{static_cast<Moment>(rng() % 1000000), sequence++};
    };
    // At random moments, then after them all in ascending order (which leaves nodes half
    // full), then at random among them again.
    for (int i = 0; i < 180000; ++i)
        ASSERT_NO_FATAL_FAILURE(
            Insert(i / 60000 == 1 ? DueKey{1000000 + i / 4, sequence++} : random_key()));
    ASSERT_NO_FATAL_FAILURE(Check());
    ASSERT_GE(order.height(), 3);

    std::vector<DueKey> keys;
    for (const auto &entry : model)
        keys.push_back(entry.first);
    std::shuffle(keys.begin(), keys.end(), rng);
    for (const DueKey &key : keys)
        ASSERT_NO_FATAL_FAILURE(Erase(key));
    Check();
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(order.height(), 0);
}

// A copy, as the list makes while a snapshot shares its tree, is whole and apart: the original
// emptied, the copy keeps its shape and every id, and takes changes of its own.
TEST_F(DueOrderTest, ACopyKeepsItsShapeAndIdsWhateverBecomesOfTheOriginal) {
    std::mt19937_64 rng(7);
    for (std::int64_t i = 0; i < 20000; ++i)
        ASSERT_NO_FATAL_FAILURE(Insert({static_cast<Moment>(rng() % 1000000), i}));
    ASSERT_GE(order.height(), 2);
    DueOrder copy(order);
    for (const auto &entry : std::map(model))
        ASSERT_NO_FATAL_FAILURE(Erase(entry.first));
    EXPECT_TRUE(order.empty());

    copy.CheckInvariants();
    ASSERT_EQ(copy.size(), 20000u);
    std::map<DueKey, std::uint32_t> remaining;
    for (auto at = copy.begin(); at != copy.end(); ++at)
        remaining.emplace(at.key(), *at);
    EXPECT_EQ(remaining.size(), 20000u);
    EXPECT_EQ(remaining.begin()->first.at, copy.FrontKey().at);
    EXPECT_EQ(remaining.begin()->second, copy.FrontId());
    for (const auto &[key, id] : remaining)
        if (id % 2 == 0)
            copy.Erase(key);
    copy.Insert({-1, 0}, 99999);
    copy.CheckInvariants();
    EXPECT_EQ(copy.size(), 10001u);
    EXPECT_EQ(copy.FrontId(), 99999u);
}

} // namespace
} // namespace quorvane
