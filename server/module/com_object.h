// Reference counting and QueryInterface for the module's heap objects. `Self` answers
// QueryInterface through `void *Self::Find(REFIID)`, returning null for an unknown interface.
#pragma once

#include "module_lock.h"

#include <unknwn.h>

namespace quorvane::server {

// Runs `body`, which only allocates, at a COM boundary: a failure becomes E_OUTOFMEMORY.
template <class Body> HRESULT Allocating(Body &&body) {
    try {
        body();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

template <class Self, class... Interfaces> class ComObject : public Interfaces... {
public:
    ComObject() = default;
    ComObject(const ComObject &) = delete;
    ComObject &operator=(const ComObject &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        if (!out)
            return E_POINTER;
        *out = static_cast<Self *>(this)->Find(iid);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~ComObject() = default;

private:
    LONG refs_ = 1;
    ModuleLock module_;
};

} // namespace quorvane::server
