// Memory a store takes: private bytes (PROCESS_MEMORY_COUNTERS_EX.PrivateUsage, or under
// Wine 8.0, which leaves that 0, PagefileUsage: there the process's anonymous resident memory)
// before and after filling it, the highest private bytes while one snapshot is taken, and while,
// that snapshot held, one entry is removed (where a store that shares with its snapshots copies).
#pragma once

#include "store.h"

namespace combench {

struct MemoryFigures {
    double store_bytes;    // what `count` entries added
    double snapshot_bytes; // the peak over that while the snapshot is built and held
    double changed_bytes;  // the peak over that when, the snapshot held, one entry is removed
};

// Measures `store` in this process.
MemoryFigures MeasureMemory(Store &store, int count);
// Measures a new store of `side` ("ours" or "dictionary") in a process of its own, this
// program run as `--memory SIDE COUNT`, so that neither side reuses heap the other freed.
MemoryFigures MeasureMemoryApart(const wchar_t *side, int count);
// What that process prints for its parent.
void PrintForParent(const MemoryFigures &figures);

} // namespace combench
