#include "own_window.h"

#include "module_lock.h"

#include <oleidl.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace quorvane::server {

namespace {
constexpr wchar_t kClassName[] = L"QuorvaneSchedule";
} // namespace

bool OwnWindow::Registered() {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (GetClassInfoExW(ModuleInstance(), kClassName, &known))
        return true;
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = OwnWindow::Procedure;
    window_class.hInstance = ModuleInstance();
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = kClassName;
    return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool OwnWindow::Create(HWND parent, const RECT &position, bool shown, IUnknown &control) {
    Destroy();
    if (!Registered())
        return false;
    window_ =
        CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | (shown ? WS_VISIBLE : 0),
                        position.left, position.top, position.right - position.left,
                        position.bottom - position.top, parent, nullptr, ModuleInstance(), nullptr);
    if (!window_)
        return false;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
    return true;
}

void OwnWindow::Destroy() {
    if (!window_)
        return;
    // The window reaches the control no more, whatever thread lets it go.
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    // Only its own thread can destroy it; from another, it is asked to close itself there.
    if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId())
        DestroyWindow(window_);
    else
        PostMessageW(window_, WM_CLOSE, 0, 0);
    window_ = nullptr;
}

void OwnWindow::Place(const RECT &position) {
    if (window_)
        SetWindowPos(window_, nullptr, position.left, position.top, position.right - position.left,
                     position.bottom - position.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void OwnWindow::Show(bool shown) {
    if (window_)
        ShowWindow(window_, shown ? SW_SHOWNA : SW_HIDE);
}

void OwnWindow::Invalidate() {
    if (window_)
        InvalidateRect(window_, nullptr, TRUE);
}

void OwnWindow::UnregisterClass() {
    ::UnregisterClassW(kClassName, ModuleInstance());
}

LRESULT CALLBACK OwnWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto *control = reinterpret_cast<IUnknown *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_PAINT || !control)
        return DefWindowProcW(window, message, wparam, lparam);
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const RECTL bounds{client.left, client.top, client.right, client.bottom};
    ComPtr<IViewObject> view;
    if (SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&view))))
        view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr,
                   0);
    EndPaint(window, &paint);
    return 0;
}

} // namespace quorvane::server
