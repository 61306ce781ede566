#include "test_site.h"

std::wstring ToText(const RECT &rect) {
    return std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," +
           std::to_wstring(rect.right) + L"," + std::to_wstring(rect.bottom);
}

HRESULT TestSite::QueryInterface(REFIID iid, void **out) {
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *out = static_cast<IOleClientSite *>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *out = static_cast<IOleInPlaceSite *>(this);
    else if (iid == IID_IDispatch)
        *out = static_cast<IDispatch *>(this);
    else
        *out = nullptr;
    if (!*out)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT TestSite::GetMoniker(DWORD, DWORD, IMoniker **moniker) {
    *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT TestSite::GetContainer(IOleContainer **container) {
    *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT TestSite::RequestNewObjectLayout() {
    Note(L"RequestNewObjectLayout", S_OK);
    if (on_layout_request)
        on_layout_request();
    return S_OK;
}

HRESULT TestSite::GetWindow(HWND *window) {
    *window = window_;
    return S_OK;
}

HRESULT TestSite::GetWindowContext(IOleInPlaceFrame **out_frame, IOleInPlaceUIWindow **doc,
                                   LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO) {
    Note(L"GetWindowContext", S_OK);
    *out_frame = frame;
    if (frame)
        frame->AddRef();
    *doc = nullptr;
    *position = *clip = place;
    return S_OK;
}

HRESULT TestSite::OnPosRectChange(LPCRECT position) {
    Note(L"OnPosRectChange " + ToText(*position), S_OK);
    last_position_ = *position;
    if (on_pos_rect_change)
        on_pos_rect_change(*position);
    return S_OK;
}

HRESULT TestSite::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *result,
                         EXCEPINFO *, UINT *) {
    if (member != DISPID_AMBIENT_USERMODE)
        return DISP_E_MEMBERNOTFOUND;
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = user_mode ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
