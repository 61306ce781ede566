// The console report with, after its table, the figures the store's goals are stated in: Add
// and Remove at a million entries against a thousand (beside the same ratio of a plain hash
// map), memory per entry, GetSchedules per entry from a thousand to a million, what a snapshot
// holds at its peak while built, and the collection's changes at a million items. Times are
// CPU times, so that other work on a shared machine counts for less; a line whose benchmarks
// did not run is left out.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace quorvane::testing {

class GoalReport : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override;
    void Finalize() override;

private:
    struct Figure {
        double cpu_ns;
        std::map<std::string, double> counters;
    };

    // CPU time (ns) or a counter of the run `name`; null when it did not run.
    const double *Time(const std::string &name) const;
    const double *Counter(const std::string &name, const std::string &counter) const;

    std::map<std::string, Figure> figures_;
};

} // namespace quorvane::testing
