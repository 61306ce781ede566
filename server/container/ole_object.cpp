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
    return Boundary([&]() -> HRESULT {
        site_.SetClientSite(site);
        return S_OK;
    });
}

HRESULT OleObject::GetClientSite(IOleClientSite **site) {
    return Boundary([&]() -> HRESULT {
        if (!site)
            return E_POINTER;
        *site = site_.ClientSite();
        if (*site)
            (*site)->AddRef();
        return S_OK;
    });
}

HRESULT OleObject::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return Boundary([&]() -> HRESULT { return S_OK; });
}

// Nothing is ever dirty, so every option closes without saving.
HRESULT OleObject::Close(DWORD) {
    return Boundary([&]() -> HRESULT {
        site_.Deactivate();
        if (advise_)
            advise_->SendOnClose();
        return S_OK;
    });
}

HRESULT OleObject::SetMoniker(DWORD, IMoniker *) {
    return Boundary([&]() -> HRESULT { return E_NOTIMPL; });
}

HRESULT OleObject::GetMoniker(DWORD, DWORD, IMoniker **moniker) {
    return Boundary([&]() -> HRESULT {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    });
}

HRESULT OleObject::InitFromData(IDataObject *, BOOL, DWORD) {
    return Boundary([&]() -> HRESULT { return E_NOTIMPL; });
}

HRESULT OleObject::GetClipboardData(DWORD, IDataObject **data) {
    return Boundary([&]() -> HRESULT {
        if (data)
            *data = nullptr;
        return E_NOTIMPL;
    });
}

HRESULT OleObject::DoVerb(LONG verb, LPMSG, IOleClientSite *site, LONG, HWND, LPCRECT) {
    return Boundary([&]() -> HRESULT {
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
    });
}

HRESULT OleObject::EnumVerbs(IEnumOLEVERB **verbs) {
    return Boundary([&]() -> HRESULT { return OleRegEnumVerbs(CLSID_Schedule, verbs); });
}

HRESULT OleObject::Update() {
    return Boundary([&]() -> HRESULT { return S_OK; });
}

HRESULT OleObject::IsUpToDate() {
    return Boundary([&]() -> HRESULT { return S_OK; });
}

HRESULT OleObject::GetUserClassID(CLSID *clsid) {
    return Boundary([&]() -> HRESULT {
        if (!clsid)
            return E_POINTER;
        *clsid = CLSID_Schedule;
        return S_OK;
    });
}

// The class has no description in the registry: its names are its own.
HRESULT OleObject::GetUserType(DWORD form, LPOLESTR *type) {
    return Boundary([&]() -> HRESULT {
        if (!type)
            return E_POINTER;
        const wchar_t *name = form == USERCLASSTYPE_APPNAME ? L"Quorvane" : L"Schedule";
        const std::size_t bytes = (std::wcslen(name) + 1) * sizeof(wchar_t);
        *type = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (!*type)
            return E_OUTOFMEMORY;
        std::memcpy(*type, name, bytes);
        return S_OK;
    });
}

HRESULT OleObject::SetExtent(DWORD aspect, SIZEL *size) {
    return Boundary([&]() -> HRESULT { return site_.SetExtent(aspect, size); });
}

HRESULT OleObject::GetExtent(DWORD aspect, SIZEL *size) {
    return Boundary([&]() -> HRESULT { return site_.GetExtent(aspect, size); });
}

HRESULT OleObject::AdviseHolder() {
    return advise_ ? S_OK : CreateOleAdviseHolder(&advise_);
}

HRESULT OleObject::Advise(IAdviseSink *sink, DWORD *cookie) {
    return Boundary([&]() -> HRESULT {
        const HRESULT hr = AdviseHolder();
        return FAILED(hr) ? hr : advise_->Advise(sink, cookie);
    });
}

HRESULT OleObject::Unadvise(DWORD cookie) {
    return Boundary(
        [&]() -> HRESULT { return advise_ ? advise_->Unadvise(cookie) : OLE_E_NOCONNECTION; });
}

HRESULT OleObject::EnumAdvise(IEnumSTATDATA **advise) {
    return Boundary([&]() -> HRESULT {
        const HRESULT hr = AdviseHolder();
        return FAILED(hr) ? hr : advise_->EnumAdvise(advise);
    });
}

HRESULT OleObject::GetMiscStatus(DWORD aspect, DWORD *status) {
    return Boundary([&]() -> HRESULT {
        if (!status)
            return E_POINTER;
        *status = aspect == DVASPECT_CONTENT ? kMiscStatus : 0;
        return S_OK;
    });
}

HRESULT OleObject::SetColorScheme(LOGPALETTE *) {
    return Boundary([&]() -> HRESULT { return E_NOTIMPL; });
}

// No mnemonics and no accelerators.
HRESULT OleObject::GetControlInfo(CONTROLINFO *info) {
    return Boundary([&]() -> HRESULT {
        if (!info)
            return E_POINTER;
        *info = CONTROLINFO{sizeof *info, nullptr, 0, 0};
        return S_OK;
    });
}

HRESULT OleObject::OnMnemonic(MSG *) {
    return Boundary([&]() -> HRESULT { return E_NOTIMPL; });
}

HRESULT OleObject::OnAmbientPropertyChange(DISPID property) {
    return Boundary([&]() -> HRESULT {
        if ((property == DISPID_AMBIENT_USERMODE || property == DISPID_UNKNOWN) &&
            site_.ReadUserMode())
            view_.Changed();
        return S_OK;
    });
}

// While the container cannot take events (a form loading), nothing goes off: what falls due
// meanwhile goes off at the first tick after the thaw, rather than into a container that drops
// it. Freezes nest, as the container counts them.
HRESULT OleObject::FreezeEvents(BOOL freeze) {
    return Boundary([&]() -> HRESULT {
        control_.FreezeEvents(freeze != FALSE);
        return S_OK;
    });
}

} // namespace quorvane::server
