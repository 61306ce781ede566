#include "view_object.h"

#include "module_lock.h"
#include "resource_ids.h"

using Microsoft::WRL::ComPtr;

namespace quorvane::server {

HRESULT ViewObject::Draw(DWORD aspect, LONG, void *, DVTARGETDEVICE *, HDC, HDC dc, LPCRECTL bounds,
                         LPCRECTL, BOOL(STDMETHODCALLTYPE *)(ULONG_PTR), ULONG_PTR) {
    return Boundary([&]() -> HRESULT {
        if (aspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        if (!dc)
            return E_INVALIDARG;
        RECT area;
        if (bounds)
            area = {bounds->left, bounds->top, bounds->right, bounds->bottom};
        else if (site_.Active()) // a windowless control draws where it was placed
            area = site_.Position();
        else
            return E_INVALIDARG;
        if (site_.UserMode())
            return S_OK;

        const auto icon = static_cast<HICON>(LoadImageW(
            ModuleInstance(), MAKEINTRESOURCEW(IDI_SCHEDULE_DESIGN), IMAGE_ICON, 32, 32, 0));
        if (!icon)
            return HRESULT_FROM_WIN32(GetLastError());
        const BOOL drawn = DrawIconEx(dc, area.left, area.top, icon, area.right - area.left,
                                      area.bottom - area.top, 0, nullptr, DI_NORMAL);
        DestroyIcon(icon);
        return drawn ? S_OK : E_FAIL;
    });
}

HRESULT ViewObject::GetColorSet(DWORD, LONG, void *, DVTARGETDEVICE *, HDC, LOGPALETTE **colors) {
    return Boundary([&]() -> HRESULT {
        if (!colors)
            return E_POINTER;
        *colors = nullptr;
        return S_FALSE;
    });
}

HRESULT ViewObject::Freeze(DWORD, LONG, void *, DWORD *cookie) {
    return Boundary([&]() -> HRESULT {
        if (cookie)
            *cookie = 0;
        return E_NOTIMPL;
    });
}

HRESULT ViewObject::Unfreeze(DWORD) {
    return Boundary([&]() -> HRESULT { return E_NOTIMPL; });
}

HRESULT ViewObject::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink *sink) {
    return Boundary([&]() -> HRESULT {
        sink_ = sink;
        aspects_ = sink ? aspects : 0;
        flags_ = sink ? flags : 0;
        if (sink && (flags & ADVF_PRIMEFIRST))
            Changed();
        return S_OK;
    });
}

HRESULT ViewObject::GetAdvise(DWORD *aspects, DWORD *flags, IAdviseSink **sink) {
    return Boundary([&]() -> HRESULT {
        if (aspects)
            *aspects = aspects_;
        if (flags)
            *flags = flags_;
        if (sink)
            sink_.CopyTo(sink);
        return S_OK;
    });
}

HRESULT ViewObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE *, SIZEL *size) {
    return Boundary([&]() -> HRESULT { return site_.GetExtent(aspect, size); });
}

void ViewObject::Changed() {
    if (ComPtr<IAdviseSink> sink = sink_; sink && (aspects_ & DVASPECT_CONTENT)) {
        if (flags_ & ADVF_ONLYONCE)
            SetAdvise(0, 0, nullptr);
        sink->OnViewChange(DVASPECT_CONTENT, -1);
    }
    site_.Invalidate();
}

} // namespace quorvane::server
