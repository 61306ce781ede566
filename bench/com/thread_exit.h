// Threads started and ended one after another while controls of this thread keep their timers
// running: each thread's end reaches the module (DLL_THREAD_DETACH), which forgets the timers
// of that thread alone.
#pragma once

namespace combench {

struct ThreadExitNs {
    double none;    // per thread, no control ticking
    double ticking; // per thread, the controls ticking
};

// Nanoseconds per thread started and waited for to its end, with `controls` controls on this
// thread, first with no entry and then ticking (one entry each; none ticks while a run
// lasts): the fastest of `repetitions` runs of `threads` threads each way, the two ways taking
// turns so that the machine's load falls on both alike.
ThreadExitNs ThreadStartExit(int controls, int threads, int repetitions);

} // namespace combench
