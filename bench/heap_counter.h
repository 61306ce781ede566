// Live heap bytes of the benchmark program, as the allocator hands them out (with its
// rounding), and their peak: every operator new and delete of the program is counted.
#pragma once

#include <cstdint>

namespace quorvane::testing {

std::int64_t LiveHeapBytes();
// The most live bytes since the last call of ResetHeapPeak.
std::int64_t PeakHeapBytes();
void ResetHeapPeak();

} // namespace quorvane::testing
