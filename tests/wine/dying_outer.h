// An outer object that aggregates the control, as containers' extenders do, and counts its
// final releases: its last reference runs `while_dying` (a container's clean-up pumping
// messages, or waiting for another thread) before it lets go of the control. A final release
// must run once, and nothing may take a reference to it once its count is 0.
#pragma once

#include "host.h"

#include <functional>

class DyingOuter final : public IUnknown {
public:
    ComPtr<IUnknown> inner;
    std::function<void()> while_dying;
    LONG final_releases = 0;
    bool revived = false;

    // Creates the control aggregated by this object.
    HRESULT Aggregate() {
        return CoCreateInstance(CLSID_Schedule, this, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&inner));
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        if (iid != IID_IUnknown)
            return inner->QueryInterface(iid, out);
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        const LONG refs = InterlockedIncrement(&refs_);
        revived |= refs == 1;
        return refs;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0 && InterlockedIncrement(&final_releases) == 1) {
            if (while_dying)
                while_dying();
            inner.Reset();
        }
        return left;
    }

private:
    LONG refs_ = 1;
};
