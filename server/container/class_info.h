// IProvideClassInfo2 of the control: the coclass Schedule from the module's type library,
// and its default source interface __Schedule.
#pragma once

#include "part.h"

#include <ocidl.h>

namespace quorvane::server {

class ClassInfo final : public Part<IProvideClassInfo2> {
public:
    // `info` describes an interface of the library that holds the coclass.
    ClassInfo(IUnknown &owner, ITypeInfo &info) : Part(owner), info_(info) {}

    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID *guid) override;

private:
    ITypeInfo &info_;
};

} // namespace quorvane::server
