// Time per item of reading a whole store as a script does with For Each.
#pragma once

#include "store.h"

namespace combench {

// The store's snapshot taken and released, per item of the store; `size` items expected.
double SnapshotNs(Store &store, int size, int repetitions);
// The store's snapshot taken, walked whole and released; `size` items expected.
double SnapshotWalkNs(Store &store, int size, int repetitions);
// For Each over `collection` itself; `size` items expected.
double ForEachNs(IDispatch *collection, int size, int repetitions);

} // namespace combench
