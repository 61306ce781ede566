// Exceptions when memory is gone. The module links libstdc++ and winpthreads statically, and
// the C++ runtime needs memory of its own to throw:
// - When malloc fails, __cxa_allocate_exception takes the exception from libstdc++'s emergency
//   pool, whose lock, like the lock and condition of function-local statics, is a winpthreads
//   object allocated on its first use. Made only then, it fails, the failure is thrown, and the
//   throw recurses until the stack overflows. So they are made at load, while memory is there.
// - A thread's exception state lives in emulated thread-local storage, allocated at the
//   thread's first throw, which aborts the process if it cannot be. So the module keeps that
//   state itself, in a table of its own (exception_memory.cpp), and every way into the module
//   makes sure that the thread has one before anything can throw (ExceptionFrame).
#pragma once

#include <windows.h>

namespace quorvane::server {

// A thread's exception state as the Itanium C++ ABI lays out __cxa_eh_globals (the exceptions
// caught and not yet finished, and the count of those thrown and not yet caught), and whether
// an ExceptionFrame lends it.
struct ExceptionState {
    void *caught_exceptions;
    unsigned int uncaught_exceptions;
    bool on_frame;
};

// Made by every way into the module (Boundary): lets the thread throw for as long as it lives.
// A thread that has no exception state yet takes one of its own (a row of the table, or the
// heap's); when none can be had (every row taken and memory gone), the frame lends it one on
// the stack until it ends. Keeps the thread's last error.
class ExceptionFrame {
public:
    ExceptionFrame() noexcept;
    ~ExceptionFrame();
    ExceptionFrame(const ExceptionFrame &) = delete;
    ExceptionFrame &operator=(const ExceptionFrame &) = delete;

    // False when the thread can have no exception state at all (the system could not keep it
    // for the thread): nothing may throw.
    bool Ready() const { return ready_; }

private:
    ExceptionState own_{};
    bool lent_ = false;
    bool ready_ = true;
};

// At load: false if the module cannot keep the threads' exception state.
bool PrepareExceptions();
// At a thread's end: gives back its exception state.
void ForgetThreadExceptions();
// At unload.
void EndExceptions();

} // namespace quorvane::server
