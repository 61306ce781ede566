#include "connection_point.h"

#include "com_object.h"
#include "enumerator.h"
#include "variant.h"

#include <algorithm>

using Microsoft::WRL::ComPtr;

namespace quorvane::server {

namespace {

struct Connection {
    ComPtr<IUnknown> sink;
    DWORD cookie;
    void CopyTo(CONNECTDATA *out) const {
        out->pUnk = sink.Get();
        out->pUnk->AddRef();
        out->dwCookie = cookie;
    }
};
using ConnectionEnum =
    Enumerator<IEnumConnections, CONNECTDATA, CopiedItems<CONNECTDATA, Connection>>;

} // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer &container, REFIID events)
    : container_(container), events_(events) {}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void **out) {
    if (!out)
        return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IConnectionPoint *>(this);
    AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID *iid) {
    if (!iid)
        return E_POINTER;
    *iid = events_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer **out) {
    if (!out)
        return E_POINTER;
    *out = &container_;
    container_.AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown *sink, DWORD *cookie) {
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(events_, reinterpret_cast<void **>(dispatch.GetAddressOf()))) &&
        FAILED(sink->QueryInterface(IID_PPV_ARGS(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    const HRESULT hr = Allocating([&] { sinks_.push_back({next_cookie_, dispatch}); });
    if (SUCCEEDED(hr))
        *cookie = next_cookie_++;
    return hr;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    const auto found = std::find_if(sinks_.begin(), sinks_.end(),
                                    [&](const Sink &sink) { return sink.cookie == cookie; });
    if (found == sinks_.end())
        return CONNECT_E_NOCONNECTION;
    // The sink may be the last owner of whatever releases it next: let go after erasing.
    const ComPtr<IDispatch> released = std::move(found->dispatch);
    sinks_.erase(found);
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections **out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return Allocating([&] {
        std::vector<Connection> connections;
        for (const Sink &sink : sinks_)
            connections.push_back({sink.dispatch, sink.cookie});
        *out = ConnectionEnum::Create(std::move(connections));
    });
}

bool ConnectionPoint::Connected(DWORD cookie) const {
    return std::any_of(sinks_.begin(), sinks_.end(),
                       [&](const Sink &sink) { return sink.cookie == cookie; });
}

void ConnectionPoint::RunTime(std::u16string &key) {
    // A handler may advise or unadvise: walk a copy, and skip sinks that left meanwhile.
    const std::vector<Sink> sinks = sinks_;
    for (const Sink &sink : sinks) {
        if (!Connected(sink.cookie))
            continue;
        BSTR copy = ToBstr(key);
        VARIANT argument;
        V_VT(&argument) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&argument) = &copy;
        DISPPARAMS params{&argument, nullptr, 1, 0};
        EXCEPINFO excep{};
        sink.dispatch->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                              &excep, nullptr);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        SysFreeString(copy);
    }
}

} // namespace quorvane::server
