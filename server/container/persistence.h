// IPersistStreamInit, IPersistPropertyBag and IPersistStorage of the control, which keeps
// nothing: saving writes nothing, and a new start or a load of anything leaves the control as
// it was made, with no entries, its timer off and the interval 60000.
#pragma once

#include "part.h"
#include "schedule.h"

#include <ocidl.h>

namespace quorvane::server {

class Persistence final : public Part<IPersistStreamInit, IPersistPropertyBag, IPersistStorage> {
public:
    Persistence(IUnknown &owner, Schedule &control) : Part(owner), control_(control) {}

    // IPersist and what the three share.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *clsid) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;

    HRESULT STDMETHODCALLTYPE InitNew() override;
    HRESULT STDMETHODCALLTYPE Load(IStream *stream) override;
    HRESULT STDMETHODCALLTYPE Save(IStream *stream, BOOL clear_dirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER *size) override;

    HRESULT STDMETHODCALLTYPE Load(IPropertyBag *bag, IErrorLog *log) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag *bag, BOOL clear_dirty, BOOL all) override;

    HRESULT STDMETHODCALLTYPE InitNew(IStorage *storage) override;
    HRESULT STDMETHODCALLTYPE Load(IStorage *storage) override;
    HRESULT STDMETHODCALLTYPE Save(IStorage *storage, BOOL same_as_load) override;
    HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage *storage) override;
    HRESULT STDMETHODCALLTYPE HandsOffStorage() override;

private:
    // The control as it was made.
    HRESULT Fresh();

    Schedule &control_;
};

} // namespace quorvane::server
