// Exceptions when memory is gone. The module links libstdc++ and winpthreads statically, and
// the C++ runtime needs memory of its own to throw:
// - When malloc fails, __cxa_allocate_exception takes the exception from libstdc++'s emergency
//   pool, whose lock, like the lock and condition of function-local statics, is a winpthreads
//   object allocated on its first use. Made only then, it fails, the failure is thrown, and the
//   throw recurses until the stack overflows. So they are made at load, while memory is there.
// - A thread's exception state lives in emulated thread-local storage, allocated at the
//   thread's first throw, which aborts the process if it cannot be. So the module keeps that
//   state itself (exception_memory.cpp), and every way into the module makes sure that the
//   thread has one before anything can throw (ExceptionFrame).
//
// How long a thread keeps its exception state (a row of the module's table of 256, or a block
// of the heap once every row is taken):
// - It takes one at its first way into the module (or its first throw, at load), and keeps it
//   from call to call, so that no later throw on it waits for memory.
// - It gives it back at its DLL_THREAD_DETACH (ForgetThreadExceptions), or, for the thread that
//   unloads the module, at DLL_PROCESS_DETACH (EndExceptions). A thread that never leaves
//   normally (TerminateThread) keeps it.
// - From that detach on, the thread is marked as ended and never takes one again. Threads
//   that end without CoUninitialize still come in after it: COM's own detach, which runs after
//   the module's, destroys their apartment and asks DllCanUnloadNow. A way in on an ended
//   thread is lent a state on its stack (as when neither a row nor memory is left), given back
//   as it leaves.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstddef>

namespace quorvane::server {

// A thread's exception state as the Itanium C++ ABI lays out __cxa_eh_globals (the exceptions
// caught and not yet finished, and the count of those thrown and not yet caught), and whether
// an ExceptionFrame lends it.
struct ExceptionState {
    void *caught_exceptions;
    unsigned int uncaught_exceptions;
    bool on_frame;
};

namespace exception_memory {

// The TLS slot that holds each thread's state, and the value that marks a thread as ended.
extern DWORD state_slot;
extern ExceptionState ended;

// The thread's state, read as TlsGetValue reads it, but leaving the last error alone (which
// TlsGetValue sets to 0): every call into the module reads it, and the caller may still mean
// to read the last error after its call.
inline void *ThreadState() {
    const TEB *teb; // the thread's own, as its NT_TIB's Self names it
#if defined(__x86_64__)
    asm("movq %%gs:%c1, %0" : "=r"(teb) : "i"(offsetof(NT_TIB, Self)));
#else
    asm("movl %%fs:%c1, %0" : "=r"(teb) : "i"(offsetof(NT_TIB, Self)));
#endif
    if (state_slot < 64)
        return teb->TlsSlots[state_slot];
    const auto *more = static_cast<void *const *>(teb->TlsExpansionSlots);
    return more ? more[state_slot - 64] : nullptr;
}

} // namespace exception_memory

// Made by every way into the module (Boundary): lets the thread throw. A thread that has its
// state costs one read; one that has none takes it (see above); when none can be had (an ended
// thread, or every row taken and memory gone), the frame lends one on the stack until it ends.
// Keeps the thread's last error.
class ExceptionFrame {
public:
    ExceptionFrame() noexcept {
        void *state = exception_memory::ThreadState();
        if (!state || state == &exception_memory::ended) [[unlikely]]
            Take(state);
    }
    ~ExceptionFrame() {
        if (lent_) [[unlikely]]
            GiveBack();
    }
    ExceptionFrame(const ExceptionFrame &) = delete;
    ExceptionFrame &operator=(const ExceptionFrame &) = delete;

    // False when the thread can have no exception state at all (the system could not keep it
    // for the thread): nothing may throw.
    bool Ready() const { return ready_; }

private:
    void Take(void *had) noexcept;
    void GiveBack() noexcept;

    ExceptionState own_;  // set only when lent
    void *had_ = nullptr; // what the thread held before the loan
    bool lent_ = false;
    bool ready_ = true;
};

// At load: false if the module cannot keep the threads' exception state.
bool PrepareExceptions();
// At a thread's DLL_THREAD_DETACH: gives back its exception state and marks it as ended.
void ForgetThreadExceptions();
// At unload.
void EndExceptions();

} // namespace quorvane::server
