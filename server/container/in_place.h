// IOleInPlaceObjectWindowless and IOleInPlaceActiveObject of the control: a rectangle of its
// container's window, or a small window of its own where the site wants one, with no keyboard,
// menus or borders of its own.
#pragma once

#include "control_site.h"
#include "part.h"

namespace quorvane::server {

class InPlaceObject final : public Part<IOleInPlaceObjectWindowless, IOleInPlaceActiveObject> {
public:
    InPlaceObject(IUnknown &owner, ControlSite &site) : Part(owner), site_(site) {}

    // IOleWindow, for both interfaces: the control's own window while in-place active in a
    // site that cannot take a windowless object; E_FAIL when it has none, as a windowless
    // object answers (the container's window is not the control's to hand out).
    HRESULT STDMETHODCALLTYPE GetWindow(HWND *window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;

    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT message, WPARAM wparam, LPARAM lparam,
                                              LRESULT *result) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget **target) override;

    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow *window,
                                           BOOL frame) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

private:
    ControlSite &site_;
};

} // namespace quorvane::server
