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

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void **out) noexcept {
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
    return Boundary([&]() -> HRESULT {
        if (!iid)
            return E_POINTER;
        *iid = events_;
        return S_OK;
    });
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer **out) {
    return Boundary([&]() -> HRESULT {
        if (!out)
            return E_POINTER;
        *out = &container_;
        container_.AddRef();
        return S_OK;
    });
}

HRESULT ConnectionPoint::Advise(IUnknown *sink, DWORD *cookie) {
    return Boundary([&]() -> HRESULT {
        if (!sink || !cookie)
            return E_POINTER;
        *cookie = 0;
        ComPtr<IDispatch> dispatch;
        if (FAILED(sink->QueryInterface(events_,
                                        reinterpret_cast<void **>(dispatch.GetAddressOf()))) &&
            FAILED(sink->QueryInterface(IID_PPV_ARGS(&dispatch))))
            return CONNECT_E_CANNOTCONNECT;
        sinks_.push_back({next_cookie_, dispatch});
        *cookie = next_cookie_++;
        return S_OK;
    });
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    return Boundary([&]() -> HRESULT {
        const auto found = std::find_if(sinks_.begin(), sinks_.end(),
                                        [&](const Sink &sink) { return sink.cookie == cookie; });
        if (found == sinks_.end())
            return CONNECT_E_NOCONNECTION;
        // The sink may be the last owner of whatever releases it next: let go after erasing.
        // Nothing else holds it, not even a raising in progress or held back by a freeze.
        const ComPtr<IDispatch> released = std::move(found->dispatch);
        sinks_.erase(found);
        return S_OK;
    });
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections **out) {
    return Boundary([&]() -> HRESULT {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        std::vector<Connection> connections;
        for (const Sink &sink : sinks_)
            connections.push_back({sink.dispatch, sink.cookie});
        *out = ConnectionEnum::Create(std::move(connections));
        return S_OK;
    });
}

const ConnectionPoint::Sink *ConnectionPoint::Connected(DWORD cookie) const {
    const auto found = std::find_if(sinks_.begin(), sinks_.end(),
                                    [&](const Sink &sink) { return sink.cookie == cookie; });
    return found == sinks_.end() ? nullptr : &*found;
}

class ConnectionPoint::SinkRaising final : public Raising {
public:
    // A handler may advise or unadvise: the raising walks the sinks of the moment it was made,
    // by their cookies, without holding them, so that a sink unadvised is let go at once.
    SinkRaising(const ConnectionPoint &point, std::u16string_view key) : point_(point) {
        calls_.reserve(point.sinks_.size()); // then each push_back below cannot fail
        try {
            for (const Sink &sink : point.sinks_)
                calls_.push_back({sink.cookie, ToBstr(key)});
        } catch (...) {
            FreeKeys();
            throw;
        }
    }
    SinkRaising(const SinkRaising &) = delete;
    SinkRaising &operator=(const SinkRaising &) = delete;
    ~SinkRaising() override { FreeKeys(); }

    bool Done() const override { return next_ == calls_.size(); }
    void RaiseNext() override {
        while (next_ < calls_.size()) {
            Call &call = calls_[next_++];
            if (const Sink *sink = point_.Connected(call.cookie)) {
                // Held through the call: the handler may unadvise it.
                const ComPtr<IDispatch> dispatch = sink->dispatch;
                Invoke(*dispatch.Get(), call.key);
                return;
            }
        }
    }

private:
    struct Call {
        DWORD cookie;
        BSTR key; // the sink's own copy, which it may replace
    };

    void FreeKeys() {
        for (Call &call : calls_)
            SysFreeString(call.key);
    }

    static void Invoke(IDispatch &sink, BSTR &key) {
        VARIANT argument;
        V_VT(&argument) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&argument) = &key;
        DISPPARAMS params{&argument, nullptr, 1, 0};
        EXCEPINFO excep{};
        sink.Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &excep,
                    nullptr);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
    }

    const ConnectionPoint &point_;
    std::vector<Call> calls_;
    std::size_t next_ = 0;
};

std::unique_ptr<ScheduleEvents::Raising> ConnectionPoint::Prepare(std::u16string_view key) {
    return std::make_unique<SinkRaising>(*this, key);
}

} // namespace quorvane::server
