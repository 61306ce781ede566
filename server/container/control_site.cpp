#include "control_site.h"

#include <olectl.h>

using Microsoft::WRL::ComPtr;

namespace quorvane::server {

ControlSite::ControlSite(IUnknown &control, Holdable &holder, ViewObject &view)
    : control_(control), own_(view, holder), size_([this] { SizeChanged(); }) {}

void ControlSite::SetClientSite(IOleClientSite *site) {
    if (site == client_.Get())
        return;
    Deactivate();
    client_ = site;
    ReadUserMode();
}

bool ControlSite::ReadUserMode() {
    bool user_mode = true;
    const ComPtr<IOleClientSite> site = client_;
    ComPtr<IDispatch> ambients;
    if (site && SUCCEEDED(site.As(&ambients))) {
        DISPPARAMS none{};
        VARIANT value;
        VariantInit(&value);
        if (SUCCEEDED(ambients->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                                       DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr)) &&
            SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BOOL)))
            user_mode = V_BOOL(&value) != VARIANT_FALSE;
        VariantClear(&value);
        if (client_ != site) // sited anew while it answered: that siting read its own
            return false;
    }
    const bool changed = user_mode != user_mode_;
    user_mode_ = user_mode;
    own_.Show(!user_mode_); // invisible while the host runs
    return changed;
}

HRESULT ControlSite::Activate(IOleClientSite *site, bool ui) {
    if (!in_place_) {
        const HRESULT hr = ActivateInPlace(site ? site : client_.Get());
        if (FAILED(hr))
            return hr;
    }
    if (ui && in_place_ && !ui_active_)
        ActivateUi();
    return S_OK;
}

HRESULT ControlSite::ActivateInPlace(IOleClientSite *site) {
    ComPtr<IOleInPlaceSite> in_place;
    if (!site || FAILED(site->QueryInterface(IID_PPV_ARGS(&in_place))))
        return E_NOINTERFACE;
    if (in_place->CanInPlaceActivate() != S_OK)
        return E_FAIL;

    ComPtr<IOleInPlaceSiteWindowless> windowless;
    ComPtr<IOleInPlaceSiteEx> extended;
    BOOL no_redraw = FALSE;
    HRESULT hr;
    if (SUCCEEDED(in_place.As(&windowless)) && windowless->CanWindowlessActivate() == S_OK) {
        hr = windowless->OnInPlaceActivateEx(&no_redraw, ACTIVATE_WINDOWLESS);
    } else {
        windowless.Reset();
        hr = SUCCEEDED(in_place.As(&extended)) ? extended->OnInPlaceActivateEx(&no_redraw, 0)
                                               : in_place->OnInPlaceActivate();
    }
    if (FAILED(hr))
        return hr;
    in_place_ = in_place;
    windowless_ = windowless;

    // Where the container puts the control, and the frame to tell when it is UI active. The
    // container may end the activation inside any of these calls.
    HWND window = nullptr;
    in_place->GetWindow(&window);
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> document;
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frame_info{sizeof frame_info, FALSE, nullptr, nullptr, 0};
    const bool placed =
        SUCCEEDED(in_place->GetWindowContext(&frame, &document, &position, &clip, &frame_info));
    if (in_place_ != in_place)
        return OLE_E_NOT_INPLACEACTIVE;
    container_ = window;
    frame_ = std::move(frame);
    document_ = std::move(document);
    if (placed)
        SetObjectRects(position); // tells the site of the control's own size
    if (in_place_ != in_place)
        return OLE_E_NOT_INPLACEACTIVE;
    if (!windowless_ && !own_.Create(container_, Position(), !user_mode_)) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        Deactivate();
        return FAILED(hr) ? hr : E_FAIL;
    }
    return S_OK;
}

// Every call out to the container below may change the control's state (a frame may end the
// activation while it takes or loses the active object): each reads that state again after the
// one before, and holds what it calls through.
void ControlSite::ActivateUi() {
    ui_active_ = true;
    if (const ComPtr<IOleInPlaceSite> site = in_place_)
        site->OnUIActivate();
    ComPtr<IOleInPlaceActiveObject> active;
    control_.QueryInterface(IID_PPV_ARGS(&active));
    ShowActiveObject(active.Get());
}

void ControlSite::DeactivateUi() {
    if (!ui_active_)
        return;
    ui_active_ = false;
    ShowActiveObject(nullptr);
    if (const ComPtr<IOleInPlaceSite> site = in_place_)
        site->OnUIDeactivate(FALSE);
}

void ControlSite::ShowActiveObject(IOleInPlaceActiveObject *active) {
    const bool ui = active != nullptr;
    const auto still = [&] { return ui_active_ == ui; };
    const auto tell = [&](const ComPtr<IOleInPlaceUIWindow> window) {
        if (!window || !still())
            return;
        window->SetActiveObject(active, nullptr);
        if (ui && still())
            window->SetBorderSpace(nullptr); // no toolbars of its own
    };
    tell(frame_);
    tell(document_);
}

void ControlSite::Deactivate() {
    DeactivateUi();
    if (!in_place_) // never active, or deactivated from inside DeactivateUi
        return;
    // The state goes first: the site may call back into the control.
    ComPtr<IOleInPlaceSite> site = std::move(in_place_);
    windowless_.Reset();
    frame_.Reset();
    document_.Reset();
    own_.Destroy();
    container_ = nullptr;
    ComPtr<IOleInPlaceSiteEx> extended;
    if (SUCCEEDED(site.As(&extended)))
        extended->OnInPlaceDeactivateEx(TRUE);
    else
        site->OnInPlaceDeactivate();
}

namespace {
HRESULT CheckExtent(DWORD aspect, const SIZEL *himetric) {
    if (!himetric)
        return E_POINTER;
    return aspect == DVASPECT_CONTENT ? S_OK : DV_E_DVASPECT;
}
} // namespace

HRESULT ControlSite::SetExtent(DWORD aspect, const SIZEL *himetric) {
    const HRESULT hr = CheckExtent(aspect, himetric);
    if (SUCCEEDED(hr))
        size_.Resize(*himetric, kHimetric);
    return hr;
}

HRESULT ControlSite::GetExtent(DWORD aspect, SIZEL *himetric) const {
    const HRESULT hr = CheckExtent(aspect, himetric);
    if (SUCCEEDED(hr))
        *himetric = size_.In(kHimetric);
    return hr;
}

void ControlSite::SetObjectRects(const RECT &position) {
    origin_ = {position.left, position.top};
    size_.Resize({position.right - position.left, position.bottom - position.top}, Pixels());
    own_.Place(Position());
}

RECT ControlSite::Position() const {
    const SIZEL size = size_.In(Pixels());
    return {origin_.x, origin_.y, origin_.x + size.cx, origin_.y + size.cy};
}

void ControlSite::Invalidate() {
    if (!in_place_)
        return;
    if (own_.Handle())
        return own_.Invalidate();
    const RECT position = Position();
    if (windowless_)
        windowless_->InvalidateRect(&position, TRUE);
}

void ControlSite::SizeChanged() {
    if (ComPtr<IOleInPlaceSite> site = in_place_) {
        const RECT position = Position();
        own_.Place(position);
        site->OnPosRectChange(&position);
    } else if (ComPtr<IOleClientSite> site = client_) {
        site->RequestNewObjectLayout();
    }
}

UnitsPerInch ControlSite::Pixels() const {
    // The screen's, when the container's window is gone (destroyed before the control left).
    const HWND window = IsWindow(container_) ? container_ : nullptr;
    const HDC dc = GetDC(window);
    const UnitsPerInch pixels{static_cast<float>(GetDeviceCaps(dc, LOGPIXELSX)),
                              static_cast<float>(GetDeviceCaps(dc, LOGPIXELSY))};
    ReleaseDC(window, dc);
    return pixels;
}

} // namespace quorvane::server
