// The collection GetSchedules returns, changed at its front: Remove(1), and Add item with the
// named argument Before:=1, as VB writes it. Each call timed on its own.
#pragma once

#include <oaidl.h>

namespace combench {

double RemoveFirstNs(IDispatch *collection, int repetitions);
double InsertFirstNs(IDispatch *collection, int repetitions);

} // namespace combench
