#include "window_timer.h"

#include "module_lock.h"

#include <stdexcept>

namespace quorvane::server {

namespace {
constexpr wchar_t kClassName[] = L"QuorvaneScheduleTimer";
constexpr UINT_PTR kTimerId = 1;
} // namespace

WindowTimer::WindowTimer(std::function<void()> tick) : tick_(std::move(tick)) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = ModuleInstance();
    window_class.lpszClassName = kClassName;
    // Fails harmlessly when another control of this module registered it already.
    RegisterClassExW(&window_class);
    window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              ModuleInstance(), this);
    if (!window_)
        throw std::runtime_error("cannot create the timer window");
}

WindowTimer::~WindowTimer() {
    DestroyWindow(window_);
    // Fails while other controls still have windows of the class; the last one succeeds, so
    // that a module loaded again never finds a class pointing into its old image.
    UnregisterClassW(kClassName, ModuleInstance());
}

void WindowTimer::Start(std::uint32_t period_ms) {
    SetTimer(window_, kTimerId, period_ms, nullptr);
}

void WindowTimer::Stop() {
    KillTimer(window_, kTimerId);
}

LRESULT CALLBACK WindowTimer::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto *create = reinterpret_cast<const CREATESTRUCTW *>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_TIMER && wparam == kTimerId) {
        // The tick may destroy this timer with its control: call a copy, touch nothing after.
        if (auto *self =
                reinterpret_cast<WindowTimer *>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            const std::function<void()> tick = self->tick_;
            tick();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace quorvane::server
