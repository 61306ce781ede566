#include "thread_timer.h"

#include "module_lock.h"

#include <new>
#include <unordered_map>

namespace quorvane::server {

namespace {

// Every thread timer of the process that still exists, by thread and timer id (each thread
// numbers its timers on its own), with the timer it ticks, or null when it was stopped from
// another thread and waits for its own to kill it. Controls on other threads start and stop
// theirs at the same time, so the map has a lock of its own.
SRWLOCK lock = SRWLOCK_INIT;
std::unordered_map<std::uint64_t, ThreadTimer *> &Existing() {
    static std::unordered_map<std::uint64_t, ThreadTimer *> existing;
    return existing;
}

std::uint64_t Key(DWORD thread, UINT_PTR id) {
    return std::uint64_t{thread} << 32 | static_cast<std::uint32_t>(id);
}

DWORD ThreadOf(std::uint64_t key) {
    return static_cast<DWORD>(key >> 32);
}

class Locked {
public:
    Locked() { AcquireSRWLockExclusive(&lock); }
    ~Locked() { ReleaseSRWLockExclusive(&lock); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
};

} // namespace

void ThreadTimer::Start(std::uint32_t period_ms) {
    // The new timer first, so that the running one ticks on should it fail.
    const UINT_PTR id = SetTimer(nullptr, 0, period_ms, OnTimer);
    if (!id)
        throw std::bad_alloc();
    const std::uint64_t key = Key(GetCurrentThreadId(), id);
    try {
        Locked locked;
        Existing()[key] = this;
    } catch (...) {
        KillTimer(nullptr, id);
        throw;
    }
    Stop();
    LockModule();
    id_ = id;
    key_ = key;
}

void ThreadTimer::Stop() {
    bool own;
    {
        Locked locked;
        if (!key_)
            return;
        own = ThreadOf(key_) == GetCurrentThreadId();
        // Stopped on another thread, the timer is only forgotten: KillTimer there would kill
        // that thread's own timer of the same id.
        if (own)
            Existing().erase(key_);
        else if (const auto found = Existing().find(key_); found != Existing().end())
            found->second = nullptr;
        key_ = 0;
    }
    if (own) {
        KillTimer(nullptr, id_);
        UnlockModule();
    }
    id_ = 0;
}

void ThreadTimer::ForgetThread(DWORD thread) {
    std::size_t gone = 0;
    {
        Locked locked;
        for (auto at = Existing().begin(); at != Existing().end();) {
            if (ThreadOf(at->first) != thread) {
                ++at;
                continue;
            }
            if (at->second)
                at->second->key_ = at->second->id_ = 0;
            at = Existing().erase(at);
            ++gone;
        }
    }
    while (gone-- > 0)
        UnlockModule();
}

void CALLBACK ThreadTimer::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    ThreadTimer *timer = nullptr;
    bool held = false, orphan = false;
    {
        Locked locked;
        const auto found = Existing().find(Key(GetCurrentThreadId(), id));
        if (found != Existing().end() && found->second) {
            timer = found->second;
            // Taken under the lock: a control released on another thread meanwhile either
            // has not reached its destructor, whose Stop waits for the lock, or refuses.
            held = timer->target_.TryHold();
        } else if (found != Existing().end()) {
            Existing().erase(found);
            orphan = true;
        }
    }
    if (timer) {
        if (held)
            timer->target_.Tick();
        return;
    }
    // A timer no control owns any more: stopped from another thread, or a stray tick.
    KillTimer(nullptr, id);
    if (orphan)
        UnlockModule();
}

} // namespace quorvane::server
