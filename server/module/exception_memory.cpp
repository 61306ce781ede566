#include "exception_memory.h"

#include <cxxabi.h>

#include <cstddef>
#include <cstdlib>

// The module links with --wrap=malloc: every malloc of the module, the C++ runtime's included,
// comes here, and the C runtime's is __real_malloc.
extern "C" void *__real_malloc(std::size_t size);

namespace {

// Set only while the module loads, on the loading thread, before any other code of the module
// can run.
bool refuse_next_malloc = false;

using ThreadState = quorvane::server::ExceptionState;
// The states of the threads that came into the module, each a row of this table, so that none
// waits for memory; the heap gives further threads theirs, and an ExceptionFrame lends one
// when neither can.
constexpr std::size_t kRows = 256;
ThreadState rows[kRows];
LONG row_taken[kRows];
DWORD state_slot = TLS_OUT_OF_INDEXES;

ThreadState *NewState() {
    for (std::size_t at = 0; at < kRows; ++at)
        if (InterlockedCompareExchange(&row_taken[at], 1, 0) == 0)
            return &rows[at];
    return static_cast<ThreadState *>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ThreadState)));
}

void FreeState(ThreadState *state) {
    if (state->on_frame) // its frame gives it back
        return;
    if (state >= rows && state < rows + kRows) {
        *state = {};
        InterlockedExchange(&row_taken[state - rows], 0);
    } else {
        HeapFree(GetProcessHeap(), 0, state);
    }
}

// Anything the compiler cannot work out ahead, so that a static initialized by it is guarded.
int FirstUse() {
    return static_cast<int>(GetCurrentThreadId() | 1);
}

} // namespace

extern "C" void *__wrap_malloc(std::size_t size) {
    if (refuse_next_malloc) [[unlikely]] {
        refuse_next_malloc = false;
        return nullptr;
    }
    return __real_malloc(size);
}

// These replace libstdc++'s, which keep the state in emulated thread-local storage.
namespace __cxxabiv1 {

extern "C" __cxa_eh_globals *__cxa_get_globals() noexcept {
    // Code that throws may still mean to read the last error.
    const DWORD error = GetLastError();
    auto *state = static_cast<ThreadState *>(TlsGetValue(state_slot));
    if (!state) {
        state = NewState();
        // Only outside every ExceptionFrame, which the module's ways in make first.
        if (!state)
            std::abort(); // as the runtime's own does: no exception can be thrown without it
        TlsSetValue(state_slot, state);
    }
    SetLastError(error);
    return reinterpret_cast<__cxa_eh_globals *>(state);
}

extern "C" __cxa_eh_globals *__cxa_get_globals_fast() noexcept {
    return __cxa_get_globals();
}

} // namespace __cxxabiv1

namespace quorvane::server {

ExceptionFrame::ExceptionFrame() noexcept {
    // The caller may still mean to read the last error after its call.
    const DWORD error = GetLastError();
    if (!TlsGetValue(state_slot)) {
        ThreadState *state = NewState();
        if (!state) {
            own_.on_frame = true;
            state = &own_;
            lent_ = true;
        }
        if (!TlsSetValue(state_slot, state)) {
            FreeState(state);
            lent_ = false;
            ready_ = false;
        }
    }
    SetLastError(error);
}

ExceptionFrame::~ExceptionFrame() {
    if (!lent_)
        return;
    const DWORD error = GetLastError();
    TlsSetValue(state_slot, nullptr);
    SetLastError(error);
}

bool PrepareExceptions() {
    state_slot = TlsAlloc();
    if (state_slot == TLS_OUT_OF_INDEXES)
        return false;
    // The exception's own allocation fails, so the runtime takes it from the emergency pool,
    // locking the pool's lock for the first time; the lock's allocation (calloc) succeeds.
    refuse_next_malloc = true;
    try {
        throw 0;
    } catch (int) {
    }
    refuse_next_malloc = false;
    // A function-local static initialized at run time takes the statics' lock and wakes their
    // condition.
    static const int first_use = FirstUse();
    asm volatile("" : : "r"(first_use));
    return true;
}

void ForgetThreadExceptions() {
    if (auto *state = static_cast<ThreadState *>(TlsGetValue(state_slot))) {
        TlsSetValue(state_slot, nullptr);
        FreeState(state);
    }
}

void EndExceptions() {
    ForgetThreadExceptions();
    TlsFree(state_slot);
}

} // namespace quorvane::server
