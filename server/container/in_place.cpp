#include "in_place.h"

namespace quorvane::server {

HRESULT InPlaceObject::GetWindow(HWND *window) {
    return Boundary([&]() -> HRESULT {
        if (!window)
            return E_POINTER;
        *window = site_.Window();
        return *window ? S_OK : E_FAIL;
    });
}

HRESULT InPlaceObject::ContextSensitiveHelp(BOOL) {
    return Boundary([&]() -> HRESULT { return E_NOTIMPL; });
}

HRESULT InPlaceObject::InPlaceDeactivate() {
    return Boundary([&]() -> HRESULT {
        site_.Deactivate();
        return S_OK;
    });
}

HRESULT InPlaceObject::UIDeactivate() {
    return Boundary([&]() -> HRESULT {
        site_.DeactivateUi();
        return S_OK;
    });
}

HRESULT InPlaceObject::SetObjectRects(LPCRECT position, LPCRECT) {
    return Boundary([&]() -> HRESULT {
        if (!position)
            return E_POINTER;
        site_.SetObjectRects(*position);
        return S_OK;
    });
}

HRESULT InPlaceObject::ReactivateAndUndo() {
    return Boundary([&]() -> HRESULT { return INPLACE_E_NOTUNDOABLE; });
}

// The control takes no input: every message is the container's.
HRESULT InPlaceObject::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT *result) {
    return Boundary([&]() -> HRESULT {
        if (result)
            *result = 0;
        return S_FALSE;
    });
}

HRESULT InPlaceObject::GetDropTarget(IDropTarget **target) {
    return Boundary([&]() -> HRESULT {
        if (!target)
            return E_POINTER;
        *target = nullptr;
        return E_NOTIMPL;
    });
}

HRESULT InPlaceObject::TranslateAccelerator(LPMSG) {
    return Boundary([&]() -> HRESULT { return S_FALSE; });
}

HRESULT InPlaceObject::OnFrameWindowActivate(BOOL) {
    return Boundary([&]() -> HRESULT { return S_OK; });
}

HRESULT InPlaceObject::OnDocWindowActivate(BOOL) {
    return Boundary([&]() -> HRESULT { return S_OK; });
}

HRESULT InPlaceObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow *, BOOL) {
    return Boundary([&]() -> HRESULT { return S_OK; });
}

HRESULT InPlaceObject::EnableModeless(BOOL) {
    return Boundary([&]() -> HRESULT { return S_OK; });
}

} // namespace quorvane::server
