#include "own_window.h"

#include "boundary.h"
#include "exclusive.h"
#include "module_lock.h"
#include "view_object.h"

#include <utility>

namespace quorvane::server {

namespace {

constexpr wchar_t kClassName[] = L"QuorvaneSchedule";
// The window's extra value: whether it holds a lock on the module.
constexpr int kHoldsModule = 0;

// A window reaches its OwnWindow through GWLP_USERDATA. The link is read and the control held,
// and the link is cut, under this lock: a release on another thread then either comes first,
// and the window finds no OwnWindow, or finds the control held and leaves it alive.
SRWLOCK link_lock = SRWLOCK_INIT;

} // namespace

bool OwnWindow::Registered() {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (GetClassInfoExW(ModuleInstance(), kClassName, &known))
        return true;
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = OwnWindow::Procedure;
    window_class.cbWndExtra = sizeof(LONG_PTR);
    window_class.hInstance = ModuleInstance();
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = kClassName;
    return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool OwnWindow::Create(HWND parent, const RECT &position, bool shown) {
    Destroy();
    if (!Registered())
        return false;
    const HWND window =
        CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | (shown ? WS_VISIBLE : 0),
                        position.left, position.top, position.right - position.left,
                        position.bottom - position.top, parent, nullptr, ModuleInstance(), nullptr);
    if (!window)
        return false;
    Exclusive locked(link_lock);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    window_ = window;
    return true;
}

void OwnWindow::Destroy() {
    HWND window;
    {
        Exclusive locked(link_lock);
        window = std::exchange(window_, nullptr);
        if (!window)
            return;
        // The window reaches the control no more, whatever thread lets it go.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    // Only its own thread can destroy it; from another, it is asked to close itself there.
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
        DestroyWindow(window);
    else
        PostMessageW(window, WM_CLOSE, 0, 0);
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

OwnWindow *OwnWindow::Owner(HWND window) {
    return reinterpret_cast<OwnWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK OwnWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCREATE:
        LockModule();
        SetWindowLongPtrW(window, kHoldsModule, TRUE);
        break;
    case WM_PAINT: {
        bool painted = false;
        Boundary([&] { painted = Paint(window); });
        if (painted)
            return 0;
        break;
    }
    case WM_NCDESTROY: {
        {
            // Gone with its parent, or with its thread: the control forgets it.
            Exclusive locked(link_lock);
            if (OwnWindow *owner = Owner(window))
                owner->window_ = nullptr;
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        }
        const bool held = SetWindowLongPtrW(window, kHoldsModule, FALSE) != 0;
        const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
        if (held)
            UnlockModule(); // the window's last message
        return result;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

bool OwnWindow::Paint(HWND window) {
    OwnWindow *owner;
    {
        Exclusive locked(link_lock);
        owner = Owner(window);
        if (owner && !owner->holder_.TryHold())
            owner = nullptr;
    }
    if (!owner)
        return false;
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const RECTL bounds{client.left, client.top, client.right, client.bottom};
    owner->view_.Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                      nullptr, 0);
    EndPaint(window, &paint);
    // The control's last reference may go here, and the window with it.
    owner->holder_.LetGo();
    return true;
}

} // namespace quorvane::server
