// The control's own small window, for a container whose site cannot take a windowless control:
// a child of the container's window at the control's place, painted through the control's view
// (the design-time icon, or nothing while the host runs). A windowless control has none.
//
// Each of its messages calls into the module, so the module stays loaded while the window
// exists: from its first message to WM_NCDESTROY, whatever thread or parent ends it. Windows
// destroys a window without any message when the window's thread ends, or its parent's: such
// a window is let go of once the module finds it gone (the control looking for its window,
// DllCanUnloadNow), so nothing waits for a message that never comes.
#pragma once

#include "holdable.h"

#include <windows.h>

#include <unknwn.h>

namespace quorvane::server {

class ViewObject;
struct WindowHold;

class OwnWindow {
public:
    // The window paints the control through `view`, holding the control through `holder`
    // while it paints: another thread may release the control at any moment. It reaches the
    // view directly, never through the control's IUnknown, which may be an outer object's on
    // its way out.
    OwnWindow(ViewObject &view, Holdable &holder) : view_(view), holder_(holder) {}
    OwnWindow(const OwnWindow &) = delete;
    OwnWindow &operator=(const OwnWindow &) = delete;
    ~OwnWindow() { Destroy(); }

    // A child of `parent` at `position`, shown or hidden; false when it could not be made.
    bool Create(HWND parent, const RECT &position, bool shown);
    void Destroy();
    void Place(const RECT &position);
    void Show(bool shown);
    void Invalidate();
    // The window, or null: none was made, or it is gone, also with its parent or its thread.
    HWND Handle() const;

    // The window class goes with the module: called when it may unload.
    static void UnregisterClass();
    // Lets go of the windows that were destroyed without a message: called before the module
    // answers whether it may unload.
    static void ForgetDestroyed();

private:
    friend struct WindowHold;

    static bool Registered();
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    // The OwnWindow that `window` belongs to, or null once it let go of it.
    static OwnWindow *Owner(HWND window);
    static bool Paint(HWND window);

    ViewObject &view_;
    Holdable &holder_;
    // The module's hold on this one's window, while it has one; under the windows' lock.
    WindowHold *hold_ = nullptr;
};

} // namespace quorvane::server
