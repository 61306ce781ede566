#include "ole_object.h"

#include "quorvane_idl.h"

#include <olectl.h>

#include <cstring>
#include <cwchar>

namespace quorvane::server {

static_assert(OleObject::kMiscStatus == (OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                                         OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                                         OLEMISC_INVISIBLEATRUNTIME | OLEMISC_SETCLIENTSITEFIRST));

HRESULT OleObject::SetClientSite(IOleClientSite *site) {
    site_.SetClientSite(site);
    return S_OK;
}

HRESULT OleObject::GetClientSite(IOleClientSite **site) {
    if (!site)
        return E_POINTER;
    *site = site_.ClientSite();
    if (*site)
        (*site)->AddRef();
    return S_OK;
}

HRESULT OleObject::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return S_OK;
}

// Nothing is ever dirty, so every option closes without saving.
HRESULT OleObject::Close(DWORD) {
    site_.Deactivate();
    if (advise_)
        advise_->SendOnClose();
    return S_OK;
}

HRESULT OleObject::SetMoniker(DWORD, IMoniker *) {
    return E_NOTIMPL;
}

HRESULT OleObject::GetMoniker(DWORD, DWORD, IMoniker **moniker) {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT OleObject::InitFromData(IDataObject *, BOOL, DWORD) {
    return E_NOTIMPL;
}

HRESULT OleObject::GetClipboardData(DWORD, IDataObject **data) {
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

HRESULT OleObject::DoVerb(LONG verb, LPMSG, IOleClientSite *site, LONG, HWND, LPCRECT) {
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
        return site_.Activate(site, true);
    case OLEIVERB_INPLACEACTIVATE:
        return site_.Activate(site, false);
    case OLEIVERB_HIDE:
        site_.DeactivateUi();
        return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
    default:
        if (verb > 0) { // a verb of the control's own: it has none, so the primary one runs
            const HRESULT hr = site_.Activate(site, true);
            return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;
    }
}

HRESULT OleObject::EnumVerbs(IEnumOLEVERB **verbs) {
    return OleRegEnumVerbs(CLSID_Schedule, verbs);
}

HRESULT OleObject::Update() {
    return S_OK;
}

HRESULT OleObject::IsUpToDate() {
    return S_OK;
}

HRESULT OleObject::GetUserClassID(CLSID *clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_Schedule;
    return S_OK;
}

// The class has no description in the registry: its names are its own.
HRESULT OleObject::GetUserType(DWORD form, LPOLESTR *type) {
    if (!type)
        return E_POINTER;
    const wchar_t *name = form == USERCLASSTYPE_APPNAME ? L"Quorvane" : L"Schedule";
    const std::size_t bytes = (std::wcslen(name) + 1) * sizeof(wchar_t);
    *type = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!*type)
        return E_OUTOFMEMORY;
    std::memcpy(*type, name, bytes);
    return S_OK;
}

HRESULT OleObject::SetExtent(DWORD aspect, SIZEL *size) {
    return site_.SetExtent(aspect, size);
}

HRESULT OleObject::GetExtent(DWORD aspect, SIZEL *size) {
    return site_.GetExtent(aspect, size);
}

HRESULT OleObject::AdviseHolder() {
    return advise_ ? S_OK : CreateOleAdviseHolder(&advise_);
}

HRESULT OleObject::Advise(IAdviseSink *sink, DWORD *cookie) {
    const HRESULT hr = AdviseHolder();
    return FAILED(hr) ? hr : advise_->Advise(sink, cookie);
}

HRESULT OleObject::Unadvise(DWORD cookie) {
    return advise_ ? advise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

HRESULT OleObject::EnumAdvise(IEnumSTATDATA **advise) {
    const HRESULT hr = AdviseHolder();
    return FAILED(hr) ? hr : advise_->EnumAdvise(advise);
}

HRESULT OleObject::GetMiscStatus(DWORD aspect, DWORD *status) {
    if (!status)
        return E_POINTER;
    *status = aspect == DVASPECT_CONTENT ? kMiscStatus : 0;
    return S_OK;
}

HRESULT OleObject::SetColorScheme(LOGPALETTE *) {
    return E_NOTIMPL;
}

// No mnemonics and no accelerators.
HRESULT OleObject::GetControlInfo(CONTROLINFO *info) {
    if (!info)
        return E_POINTER;
    *info = CONTROLINFO{sizeof *info, nullptr, 0, 0};
    return S_OK;
}

HRESULT OleObject::OnMnemonic(MSG *) {
    return E_NOTIMPL;
}

HRESULT OleObject::OnAmbientPropertyChange(DISPID property) {
    if ((property == DISPID_AMBIENT_USERMODE || property == DISPID_UNKNOWN) && site_.ReadUserMode())
        view_.Changed();
    return S_OK;
}

// While the container cannot take events (a form loading), nothing goes off: what falls due
// meanwhile goes off at the first tick after the thaw, rather than into a container that drops
// it. Freezes nest, as the container counts them.
HRESULT OleObject::FreezeEvents(BOOL freeze) {
    control_.FreezeEvents(freeze != FALSE);
    return S_OK;
}

} // namespace quorvane::server
