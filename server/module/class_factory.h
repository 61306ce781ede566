// The class object of Schedule.
#pragma once

#include "com_object.h"

namespace quorvane::server {

class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    void *Find(REFIID iid);
};

} // namespace quorvane::server
