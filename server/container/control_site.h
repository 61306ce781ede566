// The control's side of its container: the client site with its ambient UserMode, in-place
// activation, and the fixed size as the container sees it. In a site that takes windowless
// objects the control has no window: it is a rectangle of the container's window, which the
// container may move, hide or destroy as it likes. In a site that cannot, it makes a small
// child window of its own for its design-time icon.
#pragma once

#include "control_size.h"
#include "own_window.h"

#include <ocidl.h>
#include <oleidl.h>
#include <wrl/client.h>

namespace quorvane::server {

class ControlSite {
public:
    // `control` is the COM object that the container sees, held through `holder` by code that
    // reaches it by a pointer of its own; its own window paints it through `view`.
    ControlSite(IUnknown &control, Holdable &holder, ViewObject &view);
    ControlSite(const ControlSite &) = delete;
    ControlSite &operator=(const ControlSite &) = delete;

    // A new client site, or none; an in-place activation with the old one ends first.
    void SetClientSite(IOleClientSite *site);
    IOleClientSite *ClientSite() const { return client_.Get(); }

    // The container's ambient UserMode: false while a form is designed, true while the host
    // runs, and true when the container offers no ambient properties. Read when the site
    // comes and again on ReadUserMode, which answers whether it changed.
    bool UserMode() const { return user_mode_; }
    bool ReadUserMode();

    // In-place activation through `site` (the client site when null), windowless when the
    // site allows it; with `ui`, UI activation too.
    HRESULT Activate(IOleClientSite *site, bool ui);
    void DeactivateUi();
    void Deactivate();
    bool Active() const { return in_place_ != nullptr; }
    // The control's own window while in-place active in a site that cannot take a windowless
    // object; null otherwise.
    HWND Window() const { return own_.Handle(); }

    // The container gives the control a size in HIMETRIC, of its content aspect only.
    HRESULT SetExtent(DWORD aspect, const SIZEL *himetric);
    HRESULT GetExtent(DWORD aspect, SIZEL *himetric) const;
    // The container places the control at `position`, in its window's pixels.
    void SetObjectRects(const RECT &position);
    // The control's rectangle in the container's window: where it was placed, at its own size.
    RECT Position() const;

    // Has the container draw the control again, while in-place active.
    void Invalidate();

private:
    HRESULT ActivateInPlace(IOleClientSite *site);
    void ActivateUi();
    // Tells the frame and the document which object is UI active (`active`), or that none is.
    void ShowActiveObject(IOleInPlaceActiveObject *active);
    // Tells the container the control's own size after it changed.
    void SizeChanged();
    UnitsPerInch Pixels() const;

    IUnknown &control_;
    Microsoft::WRL::ComPtr<IOleClientSite> client_;
    bool user_mode_ = true;
    // While in-place active:
    Microsoft::WRL::ComPtr<IOleInPlaceSite> in_place_;
    Microsoft::WRL::ComPtr<IOleInPlaceSiteWindowless> windowless_;
    Microsoft::WRL::ComPtr<IOleInPlaceFrame> frame_;
    Microsoft::WRL::ComPtr<IOleInPlaceUIWindow> document_;
    HWND container_ = nullptr; // the container's window
    OwnWindow own_;
    bool ui_active_ = false;
    POINT origin_{};
    ControlSize size_;
};

} // namespace quorvane::server
