// A small timing harness for the Windows side, where Google Benchmark is not built. A
// measurement is a batch of calls timed with QueryPerformanceCounter: run once untimed to warm
// up, then a number of times, giving the time per call of the fastest run (the figure other
// work on a shared machine disturbs least). What only sets a batch up or undoes it runs
// outside the timed region. Nothing here judges a time: a benchmark never fails on speed, only
// on a call that fails.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

namespace combench {

struct Batch {
    std::function<void()> prepare;    // untimed, before each run
    std::function<std::size_t()> run; // timed; returns how many calls or items it handled
    std::function<void()> restore;    // untimed, after each run
};

// Nanoseconds per call (or item) of the fastest of `repetitions` runs, after a warm-up run.
double FastestNsPerCall(const Batch &batch, int repetitions);

// Ends the run with exit code 1, saying why.
[[noreturn]] void Fail(const std::string &why);
// Ends the run with exit code 1, naming the call, when `hr` is a failure.
void Check(HRESULT hr, const char *what);
// Ends the run with exit code 1 when `holds` is false.
void Require(bool holds, const char *what);

} // namespace combench
