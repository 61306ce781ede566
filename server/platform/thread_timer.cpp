#include "thread_timer.h"

#include "boundary.h"
#include "exclusive.h"
#include "module_lock.h"

#include <new>
#include <unordered_map>

namespace quorvane::server {

namespace {

// Every thread timer of the process that still exists, by thread and then by timer id (each
// thread numbers its timers on its own), with the timer it ticks, or null when it was stopped
// from another thread and waits for its own to kill it. A thread's end thus finds its own
// timers without looking at any other. Controls on other threads start and stop theirs at the
// same time, so the map has a lock of its own.
using Timers = std::unordered_map<UINT_PTR, ThreadTimer *>;
using Threads = std::unordered_map<DWORD, Timers>;
SRWLOCK lock = SRWLOCK_INIT;
Threads &Existing() {
    static Threads existing;
    return existing;
}

// The entry of timer `id` of `thread`, or null.
ThreadTimer **Find(DWORD thread, UINT_PTR id) {
    const auto timers = Existing().find(thread);
    if (timers == Existing().end())
        return nullptr;
    const auto found = timers->second.find(id);
    return found == timers->second.end() ? nullptr : &found->second;
}

// Forgets timer `id` of `thread`, and the thread with its last timer.
void Erase(DWORD thread, UINT_PTR id) {
    const auto timers = Existing().find(thread);
    if (timers == Existing().end())
        return;
    timers->second.erase(id);
    if (timers->second.empty())
        Existing().erase(timers);
}

} // namespace

void ThreadTimer::Start(std::uint32_t period_ms) {
    // The new timer first, so that the running one ticks on should it fail.
    const UINT_PTR id = SetTimer(nullptr, 0, period_ms, OnTimer);
    if (!id)
        throw std::bad_alloc();
    const DWORD thread = GetCurrentThreadId();
    try {
        Exclusive locked(lock);
        Existing()[thread][id] = this;
    } catch (...) {
        KillTimer(nullptr, id);
        throw;
    }
    Stop();
    {
        Exclusive locked(lock);
        thread_ = thread;
        id_ = id;
    }
    LockModule();
}

void ThreadTimer::Stop() {
    UINT_PTR id;
    bool own;
    {
        Exclusive locked(lock);
        if (!id_)
            return;
        id = id_;
        id_ = 0;
        own = thread_ == GetCurrentThreadId();
        // Stopped on another thread, the timer is only forgotten: KillTimer there would kill
        // that thread's own timer of the same id.
        if (own)
            Erase(thread_, id);
        else if (ThreadTimer **entry = Find(thread_, id))
            *entry = nullptr;
    }
    if (own) {
        KillTimer(nullptr, id);
        UnlockModule();
    }
}

void ThreadTimer::ForgetThread(DWORD thread) {
    Threads::node_type gone;
    {
        Exclusive locked(lock);
        const auto timers = Existing().find(thread);
        if (timers == Existing().end())
            return;
        for (const auto &[id, timer] : timers->second)
            if (timer)
                timer->id_ = 0;
        gone = Existing().extract(timers);
    }
    for (std::size_t left = gone.mapped().size(); left > 0; --left)
        UnlockModule();
}

void CALLBACK ThreadTimer::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    // The tick's pass may throw (it runs out of memory): the thread must be able to.
    Boundary([id] { Deliver(id); });
}

void ThreadTimer::Deliver(UINT_PTR id) {
    const DWORD thread = GetCurrentThreadId();
    ThreadTimer *timer = nullptr;
    bool held = false, orphan = false;
    {
        Exclusive locked(lock);
        if (ThreadTimer **entry = Find(thread, id); entry && *entry) {
            timer = *entry;
            // Taken under the lock: a control released on another thread meanwhile either
            // has not reached its destructor, whose Stop waits for the lock, or refuses.
            held = timer->target_.TryHold();
        } else if (entry) {
            Erase(thread, id);
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
