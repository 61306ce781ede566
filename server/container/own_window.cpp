#include "own_window.h"

#include "boundary.h"
#include "exclusive.h"
#include "module_lock.h"
#include "view_object.h"

#include <new>
#include <utility>

namespace quorvane::server {

namespace {

constexpr wchar_t kClassName[] = L"QuorvaneSchedule";
// The window's extra value: the module's hold on it, or null once the module let go of it.
constexpr int kHold = 0;

// A window reaches its OwnWindow through its hold. The link is read and the control held, and
// the link is cut, under this lock: a release on another thread then either comes first, and
// the window finds no OwnWindow, or finds the control held and leaves it alive. The holds, their
// list and the OwnWindows' links to them change under it too.
SRWLOCK link_lock = SRWLOCK_INIT;

} // namespace

// The module's hold on one window of its class, from the window's first message until the
// module lets go of it: at WM_NCDESTROY, or, for a window that Windows destroyed without a
// message (its thread or its parent's thread ended), once the module finds it gone. It keeps
// the module loaded and links the window and its OwnWindow.
struct WindowHold {
    HWND window = nullptr;
    DWORD thread = 0;
    OwnWindow *owner = nullptr; // null once the control let go of the window
    WindowHold *previous = nullptr, *next = nullptr;

    // Every hold the module has, under the link lock.
    static WindowHold *first;

    // Whether Windows destroyed the window: a window's thread never changes, and a handle
    // that no longer names a window names none of its thread.
    bool Destroyed() const { return GetWindowThreadProcessId(window, nullptr) != thread; }

    void Link() {
        next = std::exchange(first, this);
        if (next)
            next->previous = this;
    }
    // Under the link lock: out of the list, and the control forgets the window.
    void Unlink() {
        (previous ? previous->next : first) = next;
        if (next)
            next->previous = previous;
        previous = next = nullptr;
        if (owner)
            owner->hold_ = nullptr;
        owner = nullptr;
    }
    // Once unlinked, outside the lock: the module lets go.
    void End() {
        delete this;
        UnlockModule();
    }
};

WindowHold *WindowHold::first = nullptr;

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
    // The window's first message takes the hold; a window not made that far leaves it here.
    WindowHold *pending = new (std::nothrow) WindowHold;
    if (!pending) {
        SetLastError(ERROR_OUTOFMEMORY); // E_OUTOFMEMORY as an HRESULT
        return false;
    }
    pending->owner = this;
    const HWND window = CreateWindowExW(
        0, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | (shown ? WS_VISIBLE : 0), position.left,
        position.top, position.right - position.left, position.bottom - position.top, parent,
        nullptr, ModuleInstance(), &pending);
    delete pending;
    return window != nullptr;
}

HWND OwnWindow::Handle() const {
    Exclusive locked(link_lock);
    return hold_ && !hold_->Destroyed() ? hold_->window : nullptr;
}

void OwnWindow::Destroy() {
    HWND window;
    bool own;
    {
        Exclusive locked(link_lock);
        if (!hold_)
            return;
        // The window reaches the control no more, whatever thread lets it go.
        WindowHold *hold = std::exchange(hold_, nullptr);
        hold->owner = nullptr;
        window = hold->window;
        own = hold->thread == GetCurrentThreadId();
    }
    // Only its own thread can destroy it; from another, it is asked to close itself there. A
    // window destroyed without a message is let go of once found gone (ForgetDestroyed).
    if (own)
        DestroyWindow(window);
    else
        PostMessageW(window, WM_CLOSE, 0, 0);
}

void OwnWindow::Place(const RECT &position) {
    if (const HWND window = Handle())
        SetWindowPos(window, nullptr, position.left, position.top, position.right - position.left,
                     position.bottom - position.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void OwnWindow::Show(bool shown) {
    if (const HWND window = Handle())
        ShowWindow(window, shown ? SW_SHOWNA : SW_HIDE);
}

void OwnWindow::Invalidate() {
    if (const HWND window = Handle())
        InvalidateRect(window, nullptr, TRUE);
}

void OwnWindow::UnregisterClass() {
    ::UnregisterClassW(kClassName, ModuleInstance());
}

void OwnWindow::ForgetDestroyed() {
    WindowHold *gone = nullptr;
    {
        Exclusive locked(link_lock);
        for (WindowHold *hold = WindowHold::first, *next; hold; hold = next) {
            next = hold->next;
            if (hold->Destroyed()) {
                hold->Unlink();
                hold->next = std::exchange(gone, hold);
            }
        }
    }
    while (gone)
        std::exchange(gone, gone->next)->End();
}

OwnWindow *OwnWindow::Owner(HWND window) {
    const auto *hold = reinterpret_cast<WindowHold *>(GetWindowLongPtrW(window, kHold));
    return hold ? hold->owner : nullptr;
}

LRESULT CALLBACK OwnWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCREATE: {
        // Only Create makes windows of the class, and hands each its hold.
        auto *const pending =
            static_cast<WindowHold **>(reinterpret_cast<CREATESTRUCTW *>(lparam)->lpCreateParams);
        if (!pending || !*pending)
            return FALSE;
        WindowHold *hold = std::exchange(*pending, nullptr);
        hold->window = window;
        hold->thread = GetCurrentThreadId();
        LockModule();
        Exclusive locked(link_lock);
        SetWindowLongPtrW(window, kHold, reinterpret_cast<LONG_PTR>(hold));
        hold->Link();
        hold->owner->hold_ = hold;
        break;
    }
    case WM_PAINT: {
        bool painted = false;
        Boundary([&] { painted = Paint(window); });
        if (painted)
            return 0;
        break;
    }
    case WM_NCDESTROY: {
        WindowHold *hold;
        {
            // Gone with its parent, or closed: the control forgets it.
            Exclusive locked(link_lock);
            hold = reinterpret_cast<WindowHold *>(SetWindowLongPtrW(window, kHold, 0));
            if (hold)
                hold->Unlink();
        }
        const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
        if (hold)
            hold->End(); // the window's last message
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
