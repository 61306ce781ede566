// The timer service of one control: a thread timer (SetTimer without a window) on the thread
// that starts it, whose WM_TIMER messages the thread's message loop hands to the timer
// procedure. No window is made, so a host may create thousands of controls cheaply.
//
// A timer belongs to the thread that started it: only that thread can kill it. Stopped from
// another thread (a host that releases its control there), it is forgotten at once, so that
// its ticks reach nothing, and its own thread kills it at its next tick. The module stays
// loaded while any of its timers exists, since each tick calls into it.
#pragma once

#include "holdable.h"
#include "timer.h"

#include <windows.h>

namespace quorvane::server {

// What a timer ticks: an object that may be on its way out, on another thread, when a tick
// comes.
class TimerTarget : public Holdable {
public:
    // One tick, with the reference TryHold took; lets go of it.
    virtual void Tick() = 0;

protected:
    ~TimerTarget() = default;
};

class ThreadTimer final : public TimerService {
public:
    explicit ThreadTimer(TimerTarget &target) : target_(target) {}
    ThreadTimer(const ThreadTimer &) = delete;
    ThreadTimer &operator=(const ThreadTimer &) = delete;
    ~ThreadTimer() override { Stop(); }

    void Start(std::uint32_t period_ms) override;
    void Stop() override;

    // The thread that is ending takes its timers with it: forgets them.
    static void ForgetThread(DWORD thread);

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
    static void Deliver(UINT_PTR id);

    TimerTarget &target_;
    DWORD thread_ = 0;
    UINT_PTR id_ = 0; // the running timer's, or 0
};

} // namespace quorvane::server
