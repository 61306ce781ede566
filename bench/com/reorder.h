// The collection GetSchedules returns, changed at its front: Remove(1), and Add with
// Before:=1 (passed by position: item, key left out, before). Each call timed on its own.
#pragma once

#include <oaidl.h>

namespace combench {

double RemoveFirstNs(IDispatch *collection, int repetitions);
double InsertFirstNs(IDispatch *collection, int repetitions);

} // namespace combench
