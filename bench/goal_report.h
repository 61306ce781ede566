// The report that the standard flags ask for (--benchmark_format=console|csv|json), and beside
// it the figures the store's goals are stated in: Add and Remove at a million entries against a
// thousand (beside the same ratio of a plain hash map), memory per entry, GetSchedules per entry
// from a thousand to a million, what a snapshot holds at its peak while built, and the
// collection's changes at a million items. The goals follow a console table on its own stream,
// and go to the error stream beside CSV or JSON, which stay as the library writes them. Times
// are CPU times, so that other work on a shared machine counts for less; a line whose
// benchmarks did not run is left out.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::testing {

class GoalReport : public benchmark::BenchmarkReporter {
public:
    GoalReport() : display_(benchmark::CreateDefaultDisplayReporter()) {}

    bool ReportContext(const Context &context) override;
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

    std::unique_ptr<benchmark::BenchmarkReporter> display_;
    std::map<std::string, Figure> figures_;
};

} // namespace quorvane::testing
