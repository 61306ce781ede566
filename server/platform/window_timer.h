// The timer service of one control: a message-only window on the thread that creates it,
// with a Windows timer whose WM_TIMER messages the thread's message loop delivers.
#pragma once

#include "timer.h"

#include <windows.h>

#include <functional>

namespace quorvane::server {

class WindowTimer final : public TimerService {
public:
    // Creates the window on the calling thread; `tick` runs on every WM_TIMER. Throws
    // std::runtime_error when the window cannot be created.
    explicit WindowTimer(std::function<void()> tick);
    WindowTimer(const WindowTimer &) = delete;
    WindowTimer &operator=(const WindowTimer &) = delete;
    ~WindowTimer() override;

    void Start(std::uint32_t period_ms) override;
    void Stop() override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    std::function<void()> tick_;
    HWND window_ = nullptr;
};

} // namespace quorvane::server
