// Time per call on a store kept at its size: new entries added in a batch are removed after
// it, entries removed in a batch are put back after it, both outside the timed region.
#pragma once

#include "store.h"

#include <vector>

namespace combench {

// Late-bound Add of `count` new entries ("added-NNNNNN") per batch.
double LateAddNs(Store &store, int count, int repetitions);
// Late-bound Find and Remove of the fill's entries numbered `numbers`, one batch.
double LateFindNs(Store &store, const std::vector<int> &numbers, int repetitions);
double LateRemoveNs(Store &store, const std::vector<int> &numbers, int repetitions);
// Add through the vtable of `count` new entries per batch, on arguments formed before.
double VtableAddNs(Store &store, int count, int repetitions);
// Remove through the vtable of the fill's entries numbered `numbers`, one batch.
double VtableRemoveNs(Store &store, const std::vector<int> &numbers, int repetitions);

} // namespace combench
