#include "type_info.h"

#include "module_lock.h"
#include "quorvane_idl.h"

using Microsoft::WRL::ComPtr;

namespace quorvane::server {

namespace {

// Controls are made on any number of threads at once.
SRWLOCK lock = SRWLOCK_INIT;
ITypeInfo *shared = nullptr;

HRESULT Load(ComPtr<ITypeInfo> &info) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(ModuleInstance(), path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return E_FAIL;
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &library);
    if (SUCCEEDED(hr))
        hr = library->GetTypeInfoOfGuid(IID__Schedule, &info);
    return hr;
}

} // namespace

HRESULT ScheduleTypeInfo(ComPtr<ITypeInfo> &info) {
    AcquireSRWLockExclusive(&lock);
    HRESULT hr = S_OK;
    if (!shared) {
        ComPtr<ITypeInfo> loaded;
        hr = Load(loaded);
        if (SUCCEEDED(hr))
            shared = loaded.Detach();
    }
    info = shared;
    ReleaseSRWLockExclusive(&lock);
    return hr;
}

void ReleaseScheduleTypeInfo() {
    AcquireSRWLockExclusive(&lock);
    ITypeInfo *released = shared;
    shared = nullptr;
    ReleaseSRWLockExclusive(&lock);
    if (released)
        released->Release();
}

} // namespace quorvane::server
