// Exceptions when memory is gone. The module links libstdc++ and winpthreads statically, and
// the C++ runtime needs memory of its own to throw:
// - When malloc fails, __cxa_allocate_exception takes the exception from libstdc++'s emergency
//   pool, whose lock, like the lock and condition of function-local statics, is a winpthreads
//   object allocated on its first use. Made only then, it fails, the failure is thrown, and the
//   throw recurses until the stack overflows. So they are made at load, while memory is there.
// - A thread's exception state lives in emulated thread-local storage, allocated at the
//   thread's first throw, which aborts the process if it cannot be. So the module keeps that
//   state itself, in a table of its own (exception_memory.cpp).
#pragma once

#include <windows.h>

namespace quorvane::server {

// At load: false if the module cannot keep the threads' exception state.
bool PrepareExceptions();
// At a thread's end: gives back its exception state.
void ForgetThreadExceptions();
// At unload.
void EndExceptions();

} // namespace quorvane::server
