// The local time read once per second of system time: read again whenever the second may have
// ended, by a tick count that may lag the system time, and only then.
#include "cached_clock.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr std::uint64_t kPerMs = 10'000, kPerSecond = 1000 * kPerMs;

// The system's readings as a test sets them. The local time is the system second (any
// mapping would do) so that a stale answer shows.
struct System final : CachedClock {
    std::uint32_t tick = 0;
    std::uint64_t system = 13'000'000'000 * kPerSecond;
    mutable int system_reads = 0, local_reads = 0;

    void Advance(std::uint32_t tick_ms, std::uint64_t system_ms) {
        tick += tick_ms;
        system += system_ms * kPerMs;
    }
    Moment Second() const { return static_cast<Moment>(system / kPerSecond); }
    std::uint64_t MonotonicMs() const override { return tick; }
    std::int64_t UtcSeconds() const override { return Second(); }
    Moment LocalAt(std::int64_t utc) const override { return utc; }

protected:
    std::uint32_t TickCount() const override { return tick; }
    std::uint64_t SystemTime() const override {
        ++system_reads;
        return system;
    }
    Moment LocalTime() const override {
        ++local_reads;
        return Second();
    }
};

TEST(CachedClock, WithinItsSecondTheSystemIsReadOnceAcrossTheTickCountsWrap) {
    System clock;
    clock.tick = 0xFFFF'FF00; // wraps 256 ms on
    clock.system += 100 * kPerMs;
    const Moment first = clock.Now();
    EXPECT_EQ(clock.Second(), first);
    for (int step = 0; step < 8; ++step) { // 800 ms: up to 900 ms into the second
        clock.Advance(100, 100);
        EXPECT_EQ(first, clock.Now());
    }
    EXPECT_EQ(1, clock.system_reads);
    EXPECT_EQ(1, clock.local_reads);
    clock.Advance(150, 150);
    EXPECT_EQ(first + 1, clock.Now());
    EXPECT_EQ(2, clock.system_reads);
    EXPECT_EQ(2, clock.local_reads);
}

// The system time moves into the next second while the tick count, lagging by up to
// kTickLagMs, has not yet covered what was left of the last one.
TEST(CachedClock, ASecondThatMayHaveEndedIsNotTrusted) {
    const struct {
        std::uint64_t read_at_ms; // into the second
        std::uint32_t tick_ms;
        std::uint64_t system_ms;
    } cases[] = {{990, 5, 12}, {999, 0, 1}, {500, 470, 501}, {968, 0, 32}, {0, 968, 1000}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.read_at_ms);
        System clock;
        clock.system += c.read_at_ms * kPerMs;
        const Moment read = clock.Now();
        clock.Advance(c.tick_ms, c.system_ms);
        EXPECT_EQ(read + 1, clock.Now());
    }
}

} // namespace
} // namespace quorvane
