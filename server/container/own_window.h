// The control's own small window, for a container whose site cannot take a windowless control:
// a child of the container's window at the control's place, painted through the control's view
// (the design-time icon, or nothing while the host runs). A windowless control has none.
#pragma once

#include <windows.h>

#include <unknwn.h>

namespace quorvane::server {

class OwnWindow {
public:
    OwnWindow() = default;
    OwnWindow(const OwnWindow &) = delete;
    OwnWindow &operator=(const OwnWindow &) = delete;
    ~OwnWindow() { Destroy(); }

    // A child of `parent` at `position`, shown or hidden, that paints `control`'s view; false
    // when the window could not be made.
    bool Create(HWND parent, const RECT &position, bool shown, IUnknown &control);
    void Destroy();
    void Place(const RECT &position);
    void Show(bool shown);
    void Invalidate();
    HWND Handle() const { return window_; }

    // The window class goes with the module: called when it may unload.
    static void UnregisterClass();

private:
    static bool Registered();
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    HWND window_ = nullptr;
};

} // namespace quorvane::server
