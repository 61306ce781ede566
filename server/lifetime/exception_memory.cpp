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

using State = quorvane::server::ExceptionState;
// The states of the threads that came into the module, each a row of this table, so that none
// waits for memory; the heap gives further threads theirs, and an ExceptionFrame lends one
// when neither can.
constexpr std::size_t kRows = 256;
State rows[kRows];
LONG row_taken[kRows];

State *NewState() {
    for (std::size_t at = 0; at < kRows; ++at)
        if (InterlockedCompareExchange(&row_taken[at], 1, 0) == 0)
            return &rows[at];
    return static_cast<State *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(State)));
}

void FreeState(State *state) {
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

namespace quorvane::server::exception_memory {
DWORD state_slot = TLS_OUT_OF_INDEXES;
ExceptionState ended{};
} // namespace quorvane::server::exception_memory

using quorvane::server::exception_memory::state_slot;

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
    auto *state = static_cast<State *>(quorvane::server::exception_memory::ThreadState());
    // Only outside every ExceptionFrame (at load, on the loading thread), since the module's
    // ways in make one first.
    if (!state || state == &quorvane::server::exception_memory::ended) [[unlikely]] {
        // Code that throws may still mean to read the last error.
        const DWORD error = GetLastError();
        state = NewState();
        if (!state)
            std::abort(); // as the runtime's own does: no exception can be thrown without it
        TlsSetValue(state_slot, state);
        SetLastError(error);
    }
    return reinterpret_cast<__cxa_eh_globals *>(state);
}

extern "C" __cxa_eh_globals *__cxa_get_globals_fast() noexcept {
    return __cxa_get_globals();
}

} // namespace __cxxabiv1

namespace quorvane::server {

void ExceptionFrame::Take(void *had) noexcept {
    // The caller may still mean to read the last error after its call.
    const DWORD error = GetLastError();
    State *state = had ? nullptr : NewState(); // an ended thread takes none again
    if (!state) {
        own_ = {nullptr, 0, true};
        state = &own_;
        had_ = had;
        lent_ = true;
    }
    if (!TlsSetValue(state_slot, state)) {
        FreeState(state);
        lent_ = false;
        ready_ = false;
    }
    SetLastError(error);
}

void ExceptionFrame::GiveBack() noexcept {
    const DWORD error = GetLastError();
    TlsSetValue(state_slot, had_);
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
    auto *state = static_cast<State *>(exception_memory::ThreadState());
    TlsSetValue(state_slot, &exception_memory::ended);
    if (state && state != &exception_memory::ended)
        FreeState(state);
}

void EndExceptions() {
    ForgetThreadExceptions();
    TlsFree(state_slot);
}

} // namespace quorvane::server
