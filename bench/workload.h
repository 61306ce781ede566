// What the benchmarks share: names as a host might choose them, and the batches that keep a
// structure near its size while single operations on it are timed.
#pragma once

#include "automation_error.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace quorvane::testing {

// Names of twelve characters: "alarm-000042".
inline std::u16string Name(std::int64_t i, const char *prefix = "alarm") {
    char text[32];
    std::snprintf(text, sizeof text, "%s-%06lld", prefix, static_cast<long long>(i));
    return Widen(text);
}

// Times `timed(k)` for k = 0 .. batch - 1 over and over; after each batch, `restore()` runs with
// the timing paused and brings the structure back to where the batch started.
template <class Timed, class Restore>
void InBatches(benchmark::State &state, std::size_t batch, const Timed &timed,
               const Restore &restore) {
    std::size_t k = 0;
    for (auto _ : state) {
        timed(k);
        if (++k == batch) {
            state.PauseTiming();
            restore();
            k = 0;
            state.ResumeTiming();
        }
    }
}

} // namespace quorvane::testing
