#include "class_info.h"

#include "quorvane_idl.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace quorvane::server {

HRESULT ClassInfo::GetClassInfo(ITypeInfo **info) {
    return Boundary([&]() -> HRESULT {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        ComPtr<ITypeLib> library;
        UINT index = 0;
        const HRESULT hr = info_.GetContainingTypeLib(&library, &index);
        return FAILED(hr) ? hr : library->GetTypeInfoOfGuid(CLSID_Schedule, info);
    });
}

HRESULT ClassInfo::GetGUID(DWORD kind, GUID *guid) {
    return Boundary([&]() -> HRESULT {
        if (!guid)
            return E_POINTER;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
            *guid = GUID_NULL;
            return E_INVALIDARG;
        }
        *guid = DIID___Schedule;
        return S_OK;
    });
}

} // namespace quorvane::server
