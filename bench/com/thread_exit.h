// Threads started and ended one after another while controls of this thread keep their timers
// running: each thread's end reaches the module (DLL_THREAD_DETACH), which forgets the timers
// of that thread alone.
#pragma once

namespace combench {

// Nanoseconds per thread started and waited for to its end, with `controls` controls ticking
// on this thread (one entry each; none ticks during the run), the fastest of `repetitions`
// runs of `threads` threads. A control without entries keeps the module loaded throughout.
double ThreadStartExitNs(int controls, int threads, int repetitions);

} // namespace combench
