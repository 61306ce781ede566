#include "goal_report.h"

#include <cstdarg>
#include <cstdio>
#include <initializer_list>
#include <ostream>

namespace quorvane::testing {

namespace {

const std::string kThousand = "/1000";
const std::string kMillion = "/1000000";

// "a, b, c".
std::string Joined(const std::vector<std::string> &parts) {
    std::string text;
    for (const std::string &part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string Format(const char *format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

} // namespace

bool GoalReport::ReportContext(const Context &context) {
    display_->SetOutputStream(&GetOutputStream());
    display_->SetErrorStream(&GetErrorStream());
    return display_->ReportContext(context);
}

void GoalReport::ReportRuns(const std::vector<Run> &runs) {
    display_->ReportRuns(runs);
    for (const Run &run : runs) {
        // With repetitions, the median stands for the run.
        if (run.error_occurred ||
            (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median"))
            continue;
        Figure &figure = figures_[run.run_name.str()];
        figure.cpu_ns =
            run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
        for (const auto &[name, counter] : run.counters)
            figure.counters[name] = counter.value;
    }
}

const double *GoalReport::Time(const std::string &name) const {
    const auto found = figures_.find(name);
    return found == figures_.end() ? nullptr : &found->second.cpu_ns;
}

const double *GoalReport::Counter(const std::string &name, const std::string &counter) const {
    const auto found = figures_.find(name);
    if (found == figures_.end())
        return nullptr;
    const auto value = found->second.counters.find(counter);
    return value == found->second.counters.end() ? nullptr : &value->second;
}

void GoalReport::Finalize() {
    display_->Finalize();
    std::vector<std::string> lines;

    for (const char *name : {"AddSchedule", "RemoveSchedule"}) {
        const std::string run = std::string("BM_") + name;
        const double *small = Time(run + "<Control>" + kThousand);
        const double *large = Time(run + "<Control>" + kMillion);
        if (!small || !large)
            continue;
        std::string line = Format("%s at 1M vs 1k: %.0f ns vs %.0f ns = %.1fx (goal: within 3x)",
                                  name, *large, *small, *large / *small);
        const double *map_small = Time(run + "<HashMap>" + kThousand);
        const double *map_large = Time(run + "<HashMap>" + kMillion);
        if (map_small && map_large)
            line += Format("; std::unordered_map alone: %.0f ns vs %.0f ns = %.1fx", *map_large,
                           *map_small, *map_large / *map_small);
        lines.push_back(line);
    }

    std::vector<std::string> memory;
    for (const char *n : {"100", "10000", "1000000"})
        if (const double *bytes =
                Counter(std::string("BM_MemoryPerEntry<Control>/") + n + "/iterations:1",
                        "bytes_per_entry"))
            memory.push_back(Format("%.0f B at %s", *bytes, n));
    if (!memory.empty())
        lines.push_back("Memory per entry, 12-character names: " + Joined(memory) +
                        " (goal: about 125 B or less on 64-bit)");

    std::vector<std::string> walk;
    for (const char *n : {"1000", "10000", "100000", "1000000"})
        if (const double *seconds =
                Counter(std::string("BM_GetSchedulesAndWalk<Control>/") + n, "per_entry"))
            walk.push_back(Format("%.1f ns at %s", *seconds * 1e9, n));
    const double *walk_small = Counter("BM_GetSchedulesAndWalk<Control>" + kThousand, "per_entry");
    const double *walk_large = Counter("BM_GetSchedulesAndWalk<Control>" + kMillion, "per_entry");
    if (walk_small && walk_large)
        walk.push_back(Format("1M vs 1k %.1fx", *walk_large / *walk_small));
    if (!walk.empty())
        lines.push_back("GetSchedules and a walk through it, per entry: " + Joined(walk) +
                        " (goal: linear)");

    std::vector<std::string> peak;
    for (const char *n : {"1000", "1000000"})
        if (const double *ratio = Counter(
                std::string("BM_SnapshotMemory<Control>/") + n + "/iterations:1", "peak_over_own"))
            peak.push_back(Format("%.2f at %s", *ratio, n));
    if (!peak.empty())
        lines.push_back("Snapshot, most memory held while built over its own size: " +
                        Joined(peak) + " (goal: 1, no second copy)");

    const double *shared = Time("BM_Snapshot" + kMillion);
    const double *shared_walk = Counter("BM_SnapshotAndWalk" + kMillion, "per_entry");
    const double *copying = Time("BM_ChangeWhileSnapshotHeld" + kMillion);
    const double *copied = Counter("BM_ChangeWhileSnapshotHeld" + kMillion, "copy_bytes_per_entry");
    if (shared && shared_walk && copying && copied)
        lines.push_back(Format("Shared snapshot at 1M: %.0f ns to take (goal: under 0.05 s), "
                               "%.1f ns per entry with a walk; the list's next change while one "
                               "is held %.0f ms, copying %.0f B per entry",
                               *shared, *shared_walk * 1e9, *copying / 1e6, *copied));

    struct Change {
        const char *run, *what;
    };
    std::vector<std::string> changes;
    for (const Change &change :
         {Change{"BM_CollectionRemove<ByPosition>", "Remove by position"},
          Change{"BM_CollectionRemove<ByKey>", "Remove by key"},
          Change{"BM_CollectionAddBefore<ByPosition>", "Add before position"},
          Change{"BM_CollectionAddBefore<ByKey>", "Add before key"}})
        if (const double *ns = Time(change.run + kMillion))
            changes.push_back(Format("%s %.2f us", change.what, *ns / 1e3));
    if (!changes.empty())
        lines.push_back("Collection at 1M items: " + Joined(changes) + " (goal: under 1 ms each)");

    const double *idle = Time("BM_TickNothingDue<Control>" + kMillion);
    const double *next = Time("BM_NextTime<Control>" + kMillion);
    if (idle && next)
        lines.push_back(Format("At 1M: idle tick %.1f ns, NextTime %.0f ns (keep: about 2.2 and "
                               "30 ns)",
                               *idle, *next));

    if (lines.empty())
        return;
    // Beside CSV or JSON, which a program reads, they go to the error stream.
    const bool table = dynamic_cast<benchmark::ConsoleReporter *>(display_.get()) != nullptr;
    std::ostream &out = table ? GetOutputStream() : GetErrorStream();
    out << "\nGoals (CPU time; figures from a shared machine vary):\n";
    for (const std::string &line : lines)
        out << "  " << line << "\n";
}

} // namespace quorvane::testing
