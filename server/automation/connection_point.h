// The connection point of the event interface __Schedule, a part of the control that shares
// its reference count: any number of sinks, each called through IDispatch::Invoke.
#pragma once

#include "events.h"

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <vector>

namespace quorvane::server {

class ConnectionPoint final : public IConnectionPoint, public ScheduleEvents {
public:
    // `container` owns this connection point and counts its references.
    ConnectionPoint(IConnectionPointContainer &container, REFIID events);
    ConnectionPoint(const ConnectionPoint &) = delete;
    ConnectionPoint &operator=(const ConnectionPoint &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return container_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return container_.Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID *iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer **out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown *sink, DWORD *cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections **out) override;

    // RunTime (dispatch id 1) on every sink of the moment, each with a by-reference copy of
    // `key` of its own, all made here; what a sink writes into its copy and whatever it fails
    // with are dropped. A sink that leaves before its turn hears nothing, and the raising
    // holds no sink: one that leaves is let go at once, even while a freeze holds the rest.
    std::unique_ptr<Raising> Prepare(std::u16string_view key) override;

private:
    struct Sink {
        DWORD cookie;
        Microsoft::WRL::ComPtr<IDispatch> dispatch;
    };
    class SinkRaising;
    // The sink connected under `cookie`, or null.
    const Sink *Connected(DWORD cookie) const;

    IConnectionPointContainer &container_;
    const IID events_;
    std::vector<Sink> sinks_;
    DWORD next_cookie_ = 1;
};

} // namespace quorvane::server
