// The Automation collection at 1,000 and 1,000,000 items under twelve-character keys, as
// GetSchedules fills it: removing, and adding before, an item anywhere, found by position or
// by key.
#include "collection.h"
#include "workload.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <type_traits>
#include <vector>

namespace quorvane::testing {
namespace {

struct ByPosition {};
struct ByKey {};

Collection<double> Filled(std::int64_t n) {
    Collection<double> c;
    c.Reserve(static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i)
        c.Add(static_cast<double>(i), Name(i));
    return c;
}

// `count` distinct places, in a random order, spread over the first `n` - `count` items (so a
// batch of removals never runs out): by position, or by the key the item had when the
// collection was filled (still valid, as each batch is restored).
template <class How> std::vector<CollectionIndex> Places(std::int64_t n, std::int64_t count) {
    std::mt19937_64 rng(5);
    const std::int64_t stride = (n - count) / count;
    std::vector<CollectionIndex> places;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t at =
            i * stride + static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(stride));
        if constexpr (std::is_same_v<How, ByKey>)
            places.emplace_back(Name(at));
        else
            places.emplace_back(at + 1);
    }
    std::shuffle(places.begin(), places.end(), rng);
    return places;
}

constexpr std::int64_t kBatch = 64;

// Removes items; after each batch, as many come back at the end (by key: the same ones).
template <class How> void BM_CollectionRemove(benchmark::State &state) {
    const std::int64_t n = state.range(0);
    Collection<double> c = Filled(n);
    const auto places = Places<How>(n, kBatch);
    std::int64_t serial = 0;
    InBatches(
        state, places.size(), [&](std::size_t k) { c.Remove(places[k]); },
        [&] {
            for (const CollectionIndex &place : places) {
                const auto *key = std::get_if<std::u16string>(&place);
                c.Add(0.5, key ? *key : Name(serial++, "again"));
            }
        });
}

// Adds items just before others; after each batch they are removed again.
template <class How> void BM_CollectionAddBefore(benchmark::State &state) {
    const std::int64_t n = state.range(0);
    Collection<double> c = Filled(n);
    const auto places = Places<How>(n, kBatch);
    std::vector<std::u16string> keys;
    for (std::int64_t i = 0; i < kBatch; ++i)
        keys.push_back(Name(i, "added"));
    InBatches(
        state, places.size(), [&](std::size_t k) { c.Add(0.5, keys[k], places[k]); },
        [&] {
            for (const std::u16string &key : keys)
                c.Remove(key);
        });
}

BENCHMARK_TEMPLATE(BM_CollectionRemove, ByPosition)->Arg(1'000)->Arg(1'000'000);
BENCHMARK_TEMPLATE(BM_CollectionRemove, ByKey)->Arg(1'000)->Arg(1'000'000);
BENCHMARK_TEMPLATE(BM_CollectionAddBefore, ByPosition)->Arg(1'000)->Arg(1'000'000);
BENCHMARK_TEMPLATE(BM_CollectionAddBefore, ByKey)->Arg(1'000)->Arg(1'000'000);

} // namespace
} // namespace quorvane::testing
