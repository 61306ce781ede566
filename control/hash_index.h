// Finds ids by their text in O(1): open addressing with linear probing over buckets of eight
// bytes (the text's hash and the id), so that probing and growing read no entry; an entry is
// read only to confirm a full hash match. Erasing shifts the following buckets back, so no
// tombstones pile up under long runs of adds and removals. The owner keeps the texts.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace quorvane {

class HashIndex {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    static std::uint32_t HashOf(std::u16string_view text);

    std::size_t size() const { return size_; }

    // The id whose text (`text_of(id)`) is exactly `text`, or kNone.
    template <class TextOf>
    std::uint32_t Find(std::u16string_view text, std::uint32_t hash, const TextOf &text_of) const {
        if (buckets_.empty())
            return kNone;
        for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
            const Bucket &bucket = buckets_[at];
            if (bucket.id == kNone)
                return kNone;
            if (bucket.hash == hash && SameText(text_of(bucket.id), text))
                return bucket.id;
        }
    }

    // Asks early for the bucket where `hash` is probed first.
    void Prefetch(std::uint32_t hash) const {
        if (!buckets_.empty())
            __builtin_prefetch(&buckets_[hash & mask_]);
    }

    // Makes room for `count` ids, so that inserting up to that many allocates nothing.
    void Reserve(std::size_t count);
    // Adds `id`, whose text is not in the index yet.
    void Insert(std::uint32_t hash, std::uint32_t id);
    // Takes out `id`, which is in the index under `hash`.
    void Erase(std::uint32_t hash, std::uint32_t id);
    void Clear();

private:
    struct Bucket {
        std::uint32_t hash;
        std::uint32_t id;
    };

    void Rehash(std::size_t bucket_count);
    // Exact equality in one comparison of bytes, where the text's own comparison goes unit by
    // unit.
    static bool SameText(std::u16string_view a, std::u16string_view b) {
        return a.size() == b.size() &&
               std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
    }

    std::vector<Bucket> buckets_; // a power of two of them, at most three quarters full
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
};

} // namespace quorvane
