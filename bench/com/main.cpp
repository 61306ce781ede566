// Quorvane.ocx beside Scripting.Dictionary, both through COM in this process: calls per
// entry at a steady size, reading everything with For Each, memory, changes at the front of
// GetSchedules' collection, creating instances, and threads ending while many controls tick.
// `--quick` runs small sizes as a smoke test; `--calls` runs only the calls per entry, at full
// sizes; `--snapshot` only the snapshot rows and its memory; `--threads` only the threads, at
// full sizes; `--memory SIDE COUNT` is the child process that measures one store's memory. The
// table ends with the snapshot's goals and where this run stands against them.
#include "creation.h"
#include "dictionary_store.h"
#include "dispatch.h"
#include "harness.h"
#include "memory.h"
#include "per_call.h"
#include "reorder.h"
#include "report.h"
#include "schedule_store.h"
#include "thread_exit.h"
#include "walk.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <set>
#include <string>

namespace combench {

namespace {

struct Plan {
    const char *name;
    std::vector<int> call_sizes{}; // A
    std::vector<int> walk_sizes{}; // B; D and ours in C at the last; none: no B, C, D or E
    int memory_size = 0;           // C, both
    int snapshot_size = 0;         // ours alone: GetSchedules timed, and memory in C
    int instances = 0;             // E
    int batch = 0;                 // calls per timed batch in A
    int repetitions = 0;           // timed runs of each batch
    int ticking = 0;               // F: controls ticking
    int threads = 0;               // F: threads per timed run; none: no F
};

const Plan kFull{.name = "full",
                 .call_sizes = {1'000, 10'000},
                 .walk_sizes = {1'000, 10'000, 100'000, 1'000'000},
                 .memory_size = 100'000,
                 .snapshot_size = 1'000'000,
                 .instances = 1'000,
                 .batch = 200,
                 .repetitions = 15,
                 .ticking = 10'000,
                 .threads = 1'000};
const Plan kQuick{.name = "quick",
                  .call_sizes = {100},
                  .walk_sizes = {100, 1'000},
                  .memory_size = 500,
                  .snapshot_size = 1'000,
                  .instances = 50,
                  .batch = 20,
                  .repetitions = 3,
                  .ticking = 500,
                  .threads = 50};
const Plan kCallsOnly{.name = "calls-only",
                      .call_sizes = kFull.call_sizes,
                      .batch = kFull.batch,
                      .repetitions = kFull.repetitions};
const Plan kSnapshotOnly{.name = "snapshot-only",
                         .walk_sizes = {1'000, 10'000},
                         .memory_size = 100'000,
                         .snapshot_size = 1'000'000,
                         .batch = kFull.batch,
                         .repetitions = kFull.repetitions};
const Plan kThreadsOnly{.name = "threads-only", .ticking = kFull.ticking, .threads = kFull.threads};

// What the snapshot is meant to reach; the run reports where it stands, and never fails on it.
constexpr double kSnapshotRatioGoal = 1.2;
constexpr double kSnapshotSecondsGoal = 0.05;
constexpr double kSnapshotBytesGoal = 16; // a VARIANT array's, beyond what the keys take

const std::string kCalls = "A. per call, late-bound unless marked vtable";
const std::string kWalks = "B. reading every entry as For Each does";
const std::string kMemory =
    "C. private memory, 12-character names, each store in a process of its own";
const std::string kFront = "D. GetSchedules' collection changed at the front (Dictionary: by key)";
const std::string kInstances = "E. instances, many alive at once";
const std::string kThreads =
    "F. a thread's start and end, controls ticking on another (ours alone, no Dictionary)";

// The snapshot's figures that its goals are stated in, gathered as the run goes.
struct SnapshotGoals {
    std::vector<std::string> lines;

    void Ratio(const char *what, int size, double ours, double dictionary) {
        Line(std::string(what) + " at " + std::to_string(size) + ": " +
                 Fixed(ours / dictionary, 2) + "x (goal: within " + Fixed(kSnapshotRatioGoal, 1) +
                 "x)",
             ours / dictionary <= kSnapshotRatioGoal);
    }
    void Seconds(int size, double ns_per_item) {
        const double seconds = ns_per_item * size / 1e9;
        Line("GetSchedules of " + std::to_string(size) + " entries: " + Fixed(seconds * 1e6, 1) +
                 " us (goal: under " + Fixed(kSnapshotSecondsGoal, 2) + " s)",
             seconds < kSnapshotSecondsGoal);
    }
    void Bytes(int size, double bytes) {
        Line("GetSchedules of " + std::to_string(size) + " entries, peak above the list: " +
                 Fixed(bytes / size, 1) + " bytes per entry (goal: at most " +
                 Fixed(kSnapshotBytesGoal, 0) + " plus its keys)",
             bytes / size <= kSnapshotBytesGoal);
    }
    void Print() const {
        if (lines.empty())
            return;
        std::printf("\nThe snapshot's goals (timing on a shared machine varies from run to run)\n");
        for (const std::string &line : lines)
            std::printf("  %s\n", line.c_str());
    }

private:
    void Line(const std::string &text, bool met) {
        lines.push_back((met ? "met      " : "not met  ") + text);
    }
    static std::string Fixed(double value, int decimals) {
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        return text;
    }
};

void PerCallRows(Table &table, ScheduleStore &ours, DictionaryStore &dictionary, int size,
                 const Plan &plan) {
    const std::vector<int> present = Spread(plan.batch, size, 7);
    const int runs = plan.repetitions;
    table.Add(kCalls, {"AddSchedule (9 args) | Add", size, "ns/call",
                       LateAddNs(ours, plan.batch, runs), LateAddNs(dictionary, plan.batch, runs)});
    table.Add(kCalls, {"NextTime(name) | Item(key)", size, "ns/call",
                       LateFindNs(ours, present, runs), LateFindNs(dictionary, present, runs)});
    table.Add(kCalls, {"RemoveSchedule(name) | Remove(key)", size, "ns/call",
                       LateRemoveNs(ours, present, runs), LateRemoveNs(dictionary, present, runs)});
    table.Add(kCalls,
              {"vtable _Schedule::AddSchedule | IDictionary::Add", size, "ns/call",
               VtableAddNs(ours, plan.batch, runs), VtableAddNs(dictionary, plan.batch, runs)});
    table.Add(kCalls,
              {"vtable _Schedule::RemoveSchedule | IDictionary::Remove", size, "ns/call",
               VtableRemoveNs(ours, present, runs), VtableRemoveNs(dictionary, present, runs)});
}

void WalkRows(Table &table, SnapshotGoals &goals, ScheduleStore &ours, DictionaryStore &dictionary,
              int size, const Plan &plan) {
    // Runs enough to walk about a million items, three at the least.
    const int runs = std::clamp(1'000'000 / size, 3, plan.repetitions);
    const double taken = SnapshotNs(ours, size, runs);
    const double items = SnapshotNs(dictionary, size, runs);
    table.Add(kWalks, {"GetSchedules alone | Items() alone", size, "us/call", taken * size / 1e3,
                       items * size / 1e3});
    const double snapshot = SnapshotWalkNs(ours, size, runs);
    const double walked = SnapshotWalkNs(dictionary, size, runs);
    table.Add(kWalks,
              {"GetSchedules + For Each | Items() + walk", size, "ns/item", snapshot, walked});
    if (size == 1'000 || size == 10'000) {
        goals.Ratio("GetSchedules | Items()", size, taken, items);
        goals.Ratio("GetSchedules + For Each | Items() + walk", size, snapshot, walked);
    }
    // For Each over the Dictionary itself enumerates its keys.
    table.Add(kWalks, {"GetSchedules + For Each | For Each over keys", size, "ns/item", snapshot,
                       ForEachNs(dictionary.Object(), size, runs)});
}

// On a GetSchedules collection of `size` items; the Dictionary has no positions, so its
// figures are the nearest calls by key: removing the first key, adding at the end.
void FrontRows(Table &table, ScheduleStore &ours, DictionaryStore &dictionary, int size) {
    OwnedVariant collection;
    ours.Snapshot(collection.get());
    IDispatch *items = V_DISPATCH(collection.get());
    const int runs = 3;
    table.Add(kFront,
              {"Remove(1) | Remove(first key)", size, "us/call", RemoveFirstNs(items, runs) / 1e3,
               LateRemoveNs(dictionary, Run(0, 1), runs) / 1e3});
    table.Add(kFront, {"Add item, Before:=1 | Add (at the end)", size, "us/call",
                       InsertFirstNs(items, runs) / 1e3, LateAddNs(dictionary, 1, runs) / 1e3});
}

void StoreSections(Table &table, SnapshotGoals &goals, const Plan &plan) {
    ScheduleStore ours;
    DictionaryStore dictionary;
    std::set<int> sizes(plan.call_sizes.begin(), plan.call_sizes.end());
    sizes.insert(plan.walk_sizes.begin(), plan.walk_sizes.end());
    int size = 0;
    for (const int next : sizes) {
        Progress("filling to " + std::to_string(next) + " entries");
        Grow(ours, size, next);
        Grow(dictionary, size, next);
        size = next;
        Progress("calls and walks");
        if (std::count(plan.call_sizes.begin(), plan.call_sizes.end(), size))
            PerCallRows(table, ours, dictionary, size, plan);
        if (std::count(plan.walk_sizes.begin(), plan.walk_sizes.end(), size))
            WalkRows(table, goals, ours, dictionary, size, plan);
    }
    if (plan.walk_sizes.empty())
        return;
    if (size < plan.snapshot_size) {
        Progress("filling ours alone to " + std::to_string(plan.snapshot_size) + " entries");
        Grow(ours, size, plan.snapshot_size);
        size = plan.snapshot_size;
    }
    const double taken = SnapshotNs(ours, size, 3);
    table.Add(kWalks,
              {"GetSchedules alone (ours only)", size, "us/call", taken * size / 1e3, kNone});
    goals.Seconds(size, taken);
    if (plan.instances == 0)
        return;
    Progress("changes at the front");
    FrontRows(table, ours, dictionary, size);
}

void MemoryRows(Table &table, int count, const MemoryFigures &ours, const MemoryFigures *theirs) {
    const auto row = [&](const char *what, const char *unit,
                         double (*figure)(const MemoryFigures &, int)) {
        table.Add(kMemory, {what, count, unit, figure(ours, count),
                            theirs ? figure(*theirs, count) : kNone});
    };
    row("per entry", "bytes", [](const MemoryFigures &f, int n) { return f.store_bytes / n; });
    row("the store's own size", "MB",
        [](const MemoryFigures &f, int) { return f.store_bytes / 1e6; });
    row("peak of one GetSchedules | Items(), above that", "MB",
        [](const MemoryFigures &f, int) { return f.snapshot_bytes / 1e6; });
    row("that peak / the store's own size", "ratio",
        [](const MemoryFigures &f, int) { return f.snapshot_bytes / f.store_bytes; });
    row("one Remove, that snapshot held: peak above the store", "MB",
        [](const MemoryFigures &f, int) { return f.changed_bytes / 1e6; });
}

// Both stores at the memory size; ours also at the largest size, where filling Wine's
// Dictionary a second time would take minutes (its Add walks a chain that grows with it).
void MemorySection(Table &table, SnapshotGoals &goals, const Plan &plan) {
    Progress("memory");
    const MemoryFigures ours = MeasureMemoryApart(L"ours", plan.memory_size);
    const MemoryFigures theirs = MeasureMemoryApart(L"dictionary", plan.memory_size);
    MemoryRows(table, plan.memory_size, ours, &theirs);
    const int most = std::max(plan.walk_sizes.back(), plan.snapshot_size);
    const MemoryFigures largest = MeasureMemoryApart(L"ours", most);
    MemoryRows(table, most, largest, nullptr);
    goals.Bytes(most, largest.snapshot_bytes);
}

void InstanceRows(Table &table, const Plan &plan) {
    Progress("instances");
    const int runs = 3;
    const CreationNs ours = CreateAndRelease(L"Quorvane.Schedule", plan.instances, runs);
    const CreationNs theirs = CreateAndRelease(L"Scripting.Dictionary", plan.instances, runs);
    table.Add(kInstances, {"CoCreateInstance", plan.instances, "us/inst", ours.create / 1e3,
                           theirs.create / 1e3});
    table.Add(kInstances,
              {"Release", plan.instances, "us/inst", ours.release / 1e3, theirs.release / 1e3});
}

// The same threads beside many controls, none ticking and all ticking: a thread's end costs the
// module the timers of that thread alone, so the two are close.
void ThreadRows(Table &table, const Plan &plan) {
    Progress("threads");
    const ThreadExitNs ns = ThreadStartExit(plan.ticking, plan.threads, 5);
    table.Add(kThreads,
              {"start + end, no control ticking", plan.ticking, "us/thr", ns.none / 1e3, kNone});
    table.Add(kThreads, {"start + end, every control ticking", plan.ticking, "us/thr",
                         ns.ticking / 1e3, kNone});
    table.Add(kThreads, {"ticking / none", plan.ticking, "ratio", ns.ticking / ns.none, kNone});
}

int MemoryChild(const wchar_t *side, int count) {
    std::unique_ptr<Store> store;
    if (std::wcscmp(side, L"ours") == 0)
        store = std::make_unique<ScheduleStore>();
    else
        store = std::make_unique<DictionaryStore>();
    PrintForParent(MeasureMemory(*store, count));
    return 0;
}

int Bench(const Plan &plan) {
    Progress("start");
    Table table;
    SnapshotGoals goals;
    StoreSections(table, goals, plan);
    if (plan.instances > 0)
        InstanceRows(table, plan);
    if (!plan.walk_sizes.empty())
        MemorySection(table, goals, plan);
    if (plan.threads)
        ThreadRows(table, plan);
    table.Print("Quorvane.ocx | Scripting.Dictionary through COM, " +
                std::to_string(8 * sizeof(void *)) + "-bit, " + plan.name +
                " run: fastest of repeated runs");
    goals.Print();
    Progress("done");
    return 0;
}

} // namespace

} // namespace combench

int wmain(int argc, wchar_t **argv) {
    using namespace combench;
    Check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
    int status = 2;
    if (argc == 4 && std::wcscmp(argv[1], L"--memory") == 0)
        status = MemoryChild(argv[2], std::wcstol(argv[3], nullptr, 10));
    else if (argc == 2 && std::wcscmp(argv[1], L"--quick") == 0)
        status = Bench(kQuick);
    else if (argc == 2 && std::wcscmp(argv[1], L"--calls") == 0)
        status = Bench(kCallsOnly);
    else if (argc == 2 && std::wcscmp(argv[1], L"--snapshot") == 0)
        status = Bench(kSnapshotOnly);
    else if (argc == 2 && std::wcscmp(argv[1], L"--threads") == 0)
        status = Bench(kThreadsOnly);
    else if (argc == 1)
        status = Bench(kFull);
    else
        std::fprintf(stderr, "usage: combench [--quick | --calls | --snapshot | --threads]\n");
    CoUninitialize();
    return status;
}
