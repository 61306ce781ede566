// An interface implementation that is part of another COM object: its IUnknown is the
// owner's, so it shares the owner's identity and reference count and lives as long as it.
// Every other method of its interfaces runs its body through Boundary (boundary.h).
#pragma once

#include "boundary.h"

#include <unknwn.h>

namespace quorvane::server {

template <class... Interfaces> class Part : public Interfaces... {
public:
    explicit Part(IUnknown &owner) : owner_(owner) {}
    Part(const Part &) = delete;
    Part &operator=(const Part &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) noexcept override {
        return owner_.QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return owner_.Release(); }

protected:
    ~Part() = default;

    IUnknown &owner_;
};

} // namespace quorvane::server
