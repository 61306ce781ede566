#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace combench {

namespace {

double NowNs() {
    static const double ns_per_tick = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return 1e9 / static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * ns_per_tick;
}

double TimedRun(const Batch &batch) {
    if (batch.prepare)
        batch.prepare();
    const double start = NowNs();
    const std::size_t calls = batch.run();
    const double elapsed = NowNs() - start;
    if (batch.restore)
        batch.restore();
    Require(calls > 0, "a batch that made no call");
    return elapsed / static_cast<double>(calls);
}

} // namespace

double FastestNsPerCall(const Batch &batch, int repetitions) {
    TimedRun(batch);
    double fastest = TimedRun(batch);
    for (int i = 1; i < repetitions; ++i)
        fastest = std::min(fastest, TimedRun(batch));
    return fastest;
}

void Fail(const std::string &why) {
    std::fprintf(stderr, "combench: %s\n", why.c_str());
    std::exit(1);
}

void Check(HRESULT hr, const char *what) {
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
        Fail(std::string(what) + " failed: HRESULT " + code);
    }
}

void Require(bool holds, const char *what) {
    if (!holds)
        Fail(what);
}

} // namespace combench
