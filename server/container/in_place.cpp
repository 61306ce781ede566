#include "in_place.h"

namespace quorvane::server {

HRESULT InPlaceObject::GetWindow(HWND *window) {
    if (!window)
        return E_POINTER;
    *window = site_.Window();
    return *window ? S_OK : E_FAIL;
}

HRESULT InPlaceObject::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

HRESULT InPlaceObject::InPlaceDeactivate() {
    site_.Deactivate();
    return S_OK;
}

HRESULT InPlaceObject::UIDeactivate() {
    site_.DeactivateUi();
    return S_OK;
}

HRESULT InPlaceObject::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position)
        return E_POINTER;
    site_.SetObjectRects(*position);
    return S_OK;
}

HRESULT InPlaceObject::ReactivateAndUndo() {
    return INPLACE_E_NOTUNDOABLE;
}

// The control takes no input: every message is the container's.
HRESULT InPlaceObject::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT *result) {
    if (result)
        *result = 0;
    return S_FALSE;
}

HRESULT InPlaceObject::GetDropTarget(IDropTarget **target) {
    if (!target)
        return E_POINTER;
    *target = nullptr;
    return E_NOTIMPL;
}

HRESULT InPlaceObject::TranslateAccelerator(LPMSG) {
    return S_FALSE;
}

HRESULT InPlaceObject::OnFrameWindowActivate(BOOL) {
    return S_OK;
}

HRESULT InPlaceObject::OnDocWindowActivate(BOOL) {
    return S_OK;
}

HRESULT InPlaceObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow *, BOOL) {
    return S_OK;
}

HRESULT InPlaceObject::EnableModeless(BOOL) {
    return S_OK;
}

} // namespace quorvane::server
