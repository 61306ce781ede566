#include "thread_timer.h"

#include <unordered_map>

namespace quorvane::server {

namespace {

// Which timer each running thread timer of the process belongs to, by thread and timer id
// (each thread numbers its timers on its own). Controls on other threads start and stop
// theirs at the same time, so the map has a lock of its own.
SRWLOCK lock = SRWLOCK_INIT;
std::unordered_map<std::uint64_t, ThreadTimer *> &Running() {
    static std::unordered_map<std::uint64_t, ThreadTimer *> running;
    return running;
}

std::uint64_t Key(UINT_PTR id) {
    return std::uint64_t{GetCurrentThreadId()} << 32 | static_cast<std::uint32_t>(id);
}

} // namespace

void ThreadTimer::Start(std::uint32_t period_ms) {
    Stop();
    const UINT_PTR id = SetTimer(nullptr, 0, period_ms, OnTimer);
    if (!id)
        return;
    AcquireSRWLockExclusive(&lock);
    try {
        Running()[Key(id)] = this;
        id_ = id;
        key_ = Key(id);
    } catch (...) {
        KillTimer(nullptr, id);
    }
    ReleaseSRWLockExclusive(&lock);
}

void ThreadTimer::Stop() {
    if (!id_)
        return;
    KillTimer(nullptr, id_);
    // Forgotten even when stopped from another thread, where KillTimer cannot reach it.
    AcquireSRWLockExclusive(&lock);
    Running().erase(key_);
    ReleaseSRWLockExclusive(&lock);
    id_ = 0;
}

void CALLBACK ThreadTimer::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    AcquireSRWLockShared(&lock);
    const auto found = Running().find(Key(id));
    ThreadTimer *timer = found == Running().end() ? nullptr : found->second;
    ReleaseSRWLockShared(&lock);
    // The tick may destroy this timer with its control: call a copy, touch nothing after.
    if (timer) {
        const std::function<void()> tick = timer->tick_;
        tick();
    }
}

} // namespace quorvane::server
