// The name index when hashes collide: only the texts, compared exactly, tell its ids apart,
// and erasing from the middle of a run of collisions leaves every other id found, including
// one just past the run in its own bucket.
#include "hash_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane {
namespace {

TEST(HashIndex, TellsApartTextsWhoseHashesCollide) {
    const std::vector<std::u16string> texts = {u"abcd",
                                               u"abce",
                                               u"abc",
                                               u"",
                                               std::u16string(u"a\0", 2),
                                               u"A",
                                               u"a",
                                               u"a name longer than the units kept in place",
                                               u"a name longer than the units kept in placf"};
    const auto text_of = [&](std::uint32_t id) -> std::u16string_view { return texts[id]; };
    // Seven under one hash, one under another hash that starts in the same bucket, and one
    // whose own bucket (15 of the 16 these nine take) follows that run, where erasing from the
    // run must leave it.
    const auto hash_of = [&](std::uint32_t id) { return id < 7 ? 7u : id == 7 ? 7u + 1024u : 15u; };
    HashIndex index;
    for (std::uint32_t id = 0; id < texts.size(); ++id)
        index.Insert(hash_of(id), id);
    for (std::uint32_t id = 0; id < texts.size(); ++id)
        EXPECT_EQ(index.Find(texts[id], hash_of(id), text_of), id) << "id " << id;
    EXPECT_EQ(index.Find(u"abcf", 7, text_of), HashIndex::kNone);

    index.Erase(7, 2);
    index.Erase(7, 0);
    EXPECT_EQ(index.Find(u"abc", 7, text_of), HashIndex::kNone);
    EXPECT_EQ(index.Find(u"abcd", 7, text_of), HashIndex::kNone);
    for (std::uint32_t id = 0; id < texts.size(); ++id)
        if (id != 0 && id != 2) {
            EXPECT_EQ(index.Find(texts[id], hash_of(id), text_of), id) << "id " << id;
        }
}

} // namespace
} // namespace quorvane
