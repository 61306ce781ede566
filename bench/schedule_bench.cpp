// The control `Schedule` beside the literal model (a vector re-sorted by selection after every
// change, a collection built for every lookup), from 10 to 1,000,000 entries: adding and
// removing, a tick with nothing due, a tick that fires one entry, GetSchedules (alone, with a
// walk through it, and the memory it takes), NextTime, and the memory an entry costs. The model
// runs only at the sizes where it finishes in reasonable time. GetSchedules here is the copy
// a collection takes at its first change; the COM object's snapshot, which shares the list's
// store until one side changes, is measured as Snapshot.
#include "fakes.h"
#include "heap_counter.h"
#include "model/literal_schedule.h"
#include "workload.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvane::testing {
namespace {

class SilentEvents : public SingleListenerEvents {
public:
    void RunTime(std::u16string &) override {}
};

// The clock starts in 2000; the entries that fill a list are one-shot entries a minute apart
// from the year 5000 on, so that no tick of a benchmark reaches them.
// (Functions, not globals: the calendar's own limits are globals of another file.)
Moment Start() {
    return DateSerial(2000, 1, 1);
}
Moment FillFrom() {
    return DateSerial(5000, 1, 1);
}

// A one-shot entry's arguments, formed before any timing starts.
struct OneShot {
    std::u16string name;
    std::int32_t yr, mon, dy, hr, min, sec;

    OneShot(const std::u16string &entry_name, Moment at) : name(entry_name) {
        const CivilDate date = DateParts(at);
        yr = static_cast<std::int32_t>(date.year);
        mon = date.month;
        dy = date.day;
        hr = Hour(at);
        min = Minute(at);
        sec = Second(at);
    }

    // Adds it through whatever AddSchedule the side has.
    template <class Control> void AddTo(Control &control) const {
        control.AddSchedule(name, schAppointTime, yr, mon, 0, dy, hr, min, sec);
    }
};

// `count` moments a minute apart from the year 5000, in a shuffled order.
std::vector<Moment> ShuffledMoments(std::int64_t count, std::uint64_t seed) {
    std::vector<Moment> moments(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < moments.size(); ++i)
        moments[i] = FillFrom() + 60 * static_cast<Moment>(i);
    std::shuffle(moments.begin(), moments.end(), std::mt19937_64(seed));
    return moments;
}

// The control with its test doubles.
struct Control {
    FakeClock clock;
    FakeTimerService timer;
    SilentEvents events;
    Schedule control{clock, timer, events};

    Control() { clock.now = Start(); }
    Moment FirstDue() const { return control.Entries().FrontDue(); }
    void Fill(std::int64_t count) {
        const auto moments = ShuffledMoments(count, 1);
        for (std::size_t i = 0; i < moments.size(); ++i)
            OneShot(Name(static_cast<std::int64_t>(i)), moments[i]).AddTo(control);
    }
};

// The model; its list is filled already sorted, since adding one by one costs O(n^2) each.
struct Model {
    FakeClock clock;
    SilentEvents events;
    LiteralSchedule control{clock, events};

    Model() { clock.now = Start(); }
    Moment FirstDue() const { return control.Entries().front().NextTime(); }
    void Fill(std::int64_t count) {
        std::vector<clsTime> entries(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Moment at = FillFrom() + 60 * static_cast<Moment>(i);
            const CivilDate date = DateParts(at);
            entries[i].SetSchedule(Name(static_cast<std::int64_t>(i)), schAppointTime,
                                   static_cast<std::int32_t>(date.year), date.month, 0, date.day,
                                   Hour(at), Minute(at), Second(at), Start());
        }
        std::vector<clsTime> earlier = control.Entries();
        entries.insert(entries.begin(), earlier.begin(), earlier.end());
        control.AdoptSorted(std::move(entries));
    }
};

// The standard library's hash map from name to moment: a keyed store with no order to keep, so
// its Add and Remove at a million entries against a thousand show what the machine's memory
// alone costs at that size.
struct HashMap {
    struct Store {
        std::unordered_map<std::u16string, Moment> moments;

        void AddSchedule(const std::u16string &name, std::int32_t, std::int32_t yr,
                         std::int32_t mon, std::int32_t, std::int32_t dy, std::int32_t hr,
                         std::int32_t min, std::int32_t sec) {
            moments.emplace(name, DateSerial(yr, mon, dy) + TimeSerial(hr, min, sec));
        }
        void RemoveSchedule(const std::u16string &name) { moments.erase(name); }
    } control;

    void Fill(std::int64_t count) {
        const auto moments = ShuffledMoments(count, 1);
        for (std::size_t i = 0; i < moments.size(); ++i)
            OneShot(Name(static_cast<std::int64_t>(i)), moments[i]).AddTo(control);
    }
};

// Adds entries at random moments among the others; every `batch` adds, they are taken out
// again with the timing paused, so the list stays near its size.
template <class Side> void BM_AddSchedule(benchmark::State &state) {
    const std::int64_t n = state.range(0);
    Side side;
    side.Fill(n);
    const std::int64_t batch = std::max<std::int64_t>(16, n / 64);
    const auto moments = ShuffledMoments(n, 2); // the first `batch` of them: anywhere in the list
    std::vector<OneShot> added;
    for (std::int64_t i = 0; i < batch; ++i)
        added.emplace_back(Name(i, "added"), moments[static_cast<std::size_t>(i)] + 30);
    InBatches(
        state, added.size(), [&](std::size_t k) { added[k].AddTo(side.control); },
        [&] {
            for (const OneShot &entry : added)
                side.control.RemoveSchedule(entry.name);
        });
}

// Removes entries by name from anywhere in the list; every `batch` removals, they are put
// back with the timing paused.
template <class Side> void BM_RemoveSchedule(benchmark::State &state) {
    const std::int64_t n = state.range(0);
    Side side;
    side.Fill(n);
    const std::int64_t batch = std::max<std::int64_t>(16, n / 64);
    std::vector<std::int64_t> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937_64(3));
    std::vector<OneShot> victims;
    for (std::int64_t i = 0; i < batch; ++i) {
        const std::int64_t victim = order[static_cast<std::size_t>(i)];
        victims.emplace_back(Name(victim), FillFrom() + 60 * victim);
    }
    InBatches(
        state, victims.size(), [&](std::size_t k) { side.control.RemoveSchedule(victims[k].name); },
        [&] {
            for (const OneShot &entry : victims)
                entry.AddTo(side.control);
        });
}

template <class Side> void BM_TickNothingDue(benchmark::State &state) {
    Side side;
    side.Fill(state.range(0));
    for (auto _ : state)
        side.control.Timer1_Timer();
}

// A daily entry goes off on every tick: the clock steps to the second after it is due. Before
// its day reaches the entries that fill the list, it starts over from the year 2000.
template <class Side> void BM_TickFiringOne(benchmark::State &state) {
    Side side;
    const auto add_daily = [&] {
        side.clock.now = Start();
        side.control.AddSchedule(u"daily-alarm", schEveryDay, 0, 0, 0, 0, 7, 30, 0);
    };
    add_daily();
    side.Fill(state.range(0));
    const Moment last_day = DateSerial(4999, 1, 1);
    for (auto _ : state) {
        if (side.FirstDue() > last_day) {
            state.PauseTiming();
            side.control.RemoveSchedule(u"daily-alarm");
            add_daily();
            state.ResumeTiming();
        }
        side.clock.now = side.FirstDue() + 1;
        side.control.Timer1_Timer();
    }
}

template <class Side> void BM_GetSchedules(benchmark::State &state) {
    Side side;
    side.Fill(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(side.control.GetSchedules());
}

// GetSchedules and a walk through every item the way the COM enumerator takes them, as a
// host's For Each over the snapshot does; the cost per entry.
template <class Side> void BM_GetSchedulesAndWalk(benchmark::State &state) {
    const std::int64_t n = state.range(0);
    Side side;
    side.Fill(n);
    for (auto _ : state) {
        const Collection<double> snapshot = side.control.GetSchedules();
        double sum = 0;
        snapshot.ForEach([&](double item, auto) { sum += item; });
        benchmark::DoNotOptimize(sum);
    }
    state.counters["per_entry"] =
        benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

// What a snapshot holds once built, per entry, and the most it held on the way, relative to
// that: 1 means the snapshot cost nothing beyond itself while it was built.
template <class Side> void BM_SnapshotMemory(benchmark::State &state) {
    const std::int64_t n = state.range(0);
    Side side;
    side.Fill(n);
    for (auto _ : state) {
        const std::int64_t before = LiveHeapBytes();
        ResetHeapPeak();
        const Collection<double> snapshot = side.control.GetSchedules();
        const auto own = static_cast<double>(LiveHeapBytes() - before);
        state.counters["bytes_per_entry"] = own / static_cast<double>(n);
        state.counters["peak_over_own"] = static_cast<double>(PeakHeapBytes() - before) / own;
    }
}

// The snapshot the COM object holds: the list's store shared, nothing copied.
void BM_Snapshot(benchmark::State &state) {
    Control side;
    side.Fill(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(side.control.Snapshot());
}

// The shared snapshot and a walk through it as its enumerator takes it: a date per entry.
void BM_SnapshotAndWalk(benchmark::State &state) {
    const std::int64_t n = state.range(0);
    Control side;
    side.Fill(n);
    for (auto _ : state) {
        ScheduleSnapshot::Walk walk(side.control.Snapshot());
        double sum = 0;
        for (Moment due; walk.Next(&due);)
            sum += ToOleDate(due);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["per_entry"] =
        benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

// Where the copy went: with a snapshot held, the list's next change copies its store first.
// The time of that change, and the heap it leaves the snapshot holding, per entry.
void BM_ChangeWhileSnapshotHeld(benchmark::State &state) {
    const std::int64_t n = state.range(0);
    Control side;
    side.Fill(n);
    const OneShot first(Name(0), side.FirstDue());
    for (auto _ : state) {
        state.PauseTiming();
        {
            const ScheduleSnapshot held = side.control.Snapshot();
            const std::int64_t before = LiveHeapBytes();
            state.ResumeTiming();
            side.control.RemoveSchedule(first.name);
            state.PauseTiming();
            state.counters["copy_bytes_per_entry"] =
                static_cast<double>(LiveHeapBytes() - before) / static_cast<double>(n);
        } // let go of with the timing paused
        first.AddTo(side.control);
        state.ResumeTiming();
    }
}

template <class Side> void BM_NextTime(benchmark::State &state) {
    const std::int64_t n = state.range(0);
    Side side;
    side.Fill(n);
    std::vector<std::u16string> names;
    std::mt19937_64 pick(4);
    for (int i = 0; i < 256; ++i)
        names.push_back(Name(static_cast<std::int64_t>(pick() % static_cast<std::uint64_t>(n))));
    std::size_t k = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(side.control.NextTime(names[k++ % names.size()]));
}

// Heap bytes a list of n entries holds, per entry.
template <class Side> void BM_MemoryPerEntry(benchmark::State &state) {
    const std::int64_t n = state.range(0);
    for (auto _ : state) {
        const std::int64_t before = LiveHeapBytes();
        Side side;
        side.Fill(n);
        state.counters["bytes_per_entry"] = static_cast<double>(LiveHeapBytes() - before) / n;
    }
}

constexpr std::int64_t kMost = 1'000'000;
constexpr std::int64_t kModelMost = 10'000;

BENCHMARK_TEMPLATE(BM_AddSchedule, Control)->RangeMultiplier(10)->Range(1'000, kMost);
BENCHMARK_TEMPLATE(BM_AddSchedule, Model)->RangeMultiplier(10)->Range(1'000, kModelMost);
BENCHMARK_TEMPLATE(BM_AddSchedule, HashMap)->Arg(1'000)->Arg(kMost);
BENCHMARK_TEMPLATE(BM_RemoveSchedule, Control)->RangeMultiplier(10)->Range(1'000, kMost);
BENCHMARK_TEMPLATE(BM_RemoveSchedule, Model)->RangeMultiplier(10)->Range(1'000, kModelMost);
BENCHMARK_TEMPLATE(BM_RemoveSchedule, HashMap)->Arg(1'000)->Arg(kMost);
BENCHMARK_TEMPLATE(BM_TickNothingDue, Control)->RangeMultiplier(10)->Range(10, kMost);
BENCHMARK_TEMPLATE(BM_TickNothingDue, Model)->RangeMultiplier(10)->Range(10, kMost);
BENCHMARK_TEMPLATE(BM_TickFiringOne, Control)->RangeMultiplier(10)->Range(10, kMost);
BENCHMARK_TEMPLATE(BM_TickFiringOne, Model)->RangeMultiplier(10)->Range(10, kModelMost);
BENCHMARK_TEMPLATE(BM_GetSchedules, Control)->RangeMultiplier(10)->Range(10, kMost);
BENCHMARK_TEMPLATE(BM_GetSchedules, Model)->RangeMultiplier(10)->Range(10, kMost);
BENCHMARK_TEMPLATE(BM_GetSchedulesAndWalk, Control)->RangeMultiplier(10)->Range(1'000, kMost);
BENCHMARK_TEMPLATE(BM_SnapshotMemory, Control)
    ->RangeMultiplier(1000)
    ->Range(1'000, kMost)
    ->Iterations(1);
BENCHMARK(BM_Snapshot)->Arg(1'000)->Arg(kMost);
BENCHMARK(BM_SnapshotAndWalk)->Arg(1'000)->Arg(kMost);
BENCHMARK(BM_ChangeWhileSnapshotHeld)->Arg(1'000)->Arg(kMost)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_NextTime, Control)->RangeMultiplier(10)->Range(10, kMost);
BENCHMARK_TEMPLATE(BM_NextTime, Model)->RangeMultiplier(10)->Range(10, kMost / 10);
BENCHMARK_TEMPLATE(BM_MemoryPerEntry, Control)
    ->RangeMultiplier(100)
    ->Range(100, kMost)
    ->Iterations(1);
BENCHMARK_TEMPLATE(BM_MemoryPerEntry, Model)
    ->RangeMultiplier(100)
    ->Range(100, kMost)
    ->Iterations(1);

} // namespace
} // namespace quorvane::testing
