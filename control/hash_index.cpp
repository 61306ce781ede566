#include "hash_index.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

namespace {

std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93ull;
    h ^= h >> 32;
    return h;
}

} // namespace

std::uint32_t HashIndex::HashOf(std::u16string_view text) {
    std::uint64_t h = 0x9e3779b97f4a7c15ull ^ text.size();
    const char16_t *units = text.data();
    std::size_t left = text.size();
    for (; left >= 4; left -= 4, units += 4) {
        std::uint64_t word;
        std::memcpy(&word, units, sizeof word);
        h = (h ^ word) * 0x9fb21c651e98df25ull;
    }
    if (left > 0) {
        std::uint64_t word = 0;
        std::memcpy(&word, units, left * sizeof(char16_t));
        h = (h ^ word) * 0x9fb21c651e98df25ull;
    }
    return static_cast<std::uint32_t>(Mix(h));
}

void HashIndex::Reserve(std::size_t count) {
    if (count <= buckets_.size() / 4 * 3)
        return;
    std::size_t buckets = std::max<std::size_t>(buckets_.size(), 8);
    while (count > buckets / 4 * 3)
        buckets *= 2;
    Rehash(buckets);
}

void HashIndex::Insert(std::uint32_t hash, std::uint32_t id) {
    Reserve(size_ + 1);
    std::size_t at = hash & mask_;
    while (buckets_[at].id != kNone)
        at = (at + 1) & mask_;
    buckets_[at] = {hash, id};
    ++size_;
}

void HashIndex::Erase(std::uint32_t hash, std::uint32_t id) {
    std::size_t hole = hash & mask_;
    while (buckets_[hole].id != id)
        hole = (hole + 1) & mask_;
    // Moves back each following bucket that the hole now separates from its home.
    for (std::size_t at = (hole + 1) & mask_; buckets_[at].id != kNone; at = (at + 1) & mask_) {
        const std::size_t home = buckets_[at].hash & mask_;
        if (((at - home) & mask_) >= ((at - hole) & mask_)) {
            buckets_[hole] = buckets_[at];
            hole = at;
        }
    }
    buckets_[hole].id = kNone;
    --size_;
}

void HashIndex::Clear() {
    std::vector<Bucket>().swap(buckets_);
    mask_ = 0;
    size_ = 0;
}

void HashIndex::Rehash(std::size_t bucket_count) {
    std::vector<Bucket> old(bucket_count, Bucket{0, kNone});
    old.swap(buckets_);
    mask_ = bucket_count - 1;
    for (const Bucket &bucket : old) {
        if (bucket.id == kNone)
            continue;
        std::size_t at = bucket.hash & mask_;
        while (buckets_[at].id != kNone)
            at = (at + 1) & mask_;
        buckets_[at] = bucket;
    }
}

} // namespace quorvane
