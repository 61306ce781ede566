// The timer service of one control: a thread timer (SetTimer without a window) on the thread
// that starts it, whose WM_TIMER messages the thread's message loop hands to the timer
// procedure. No window is made, so a host may create thousands of controls cheaply.
#pragma once

#include "timer.h"

#include <windows.h>

#include <functional>

namespace quorvane::server {

class ThreadTimer final : public TimerService {
public:
    // `tick` runs on every WM_TIMER of this timer, on the thread that started it.
    explicit ThreadTimer(std::function<void()> tick) : tick_(std::move(tick)) {}
    ThreadTimer(const ThreadTimer &) = delete;
    ThreadTimer &operator=(const ThreadTimer &) = delete;
    ~ThreadTimer() override { Stop(); }

    void Start(std::uint32_t period_ms) override;
    void Stop() override;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);

    std::function<void()> tick_;
    UINT_PTR id_ = 0; // the running timer's, or 0
    std::uint64_t key_ = 0;
};

} // namespace quorvane::server
