#include "dispatch.h"

#include "harness.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace combench {

DISPID DispIdOf(IDispatch *object, const wchar_t *name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    Check(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), "GetIDsOfNames");
    return id;
}

VARIANT BstrArg(BSTR text) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocStringLen(text, SysStringLen(text));
    Require(V_BSTR(&v) != nullptr, "out of memory for an argument");
    return v;
}

VARIANT LongArg(LONG value) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

VARIANT DateArg(DATE value) {
    VARIANT v;
    V_VT(&v) = VT_DATE;
    V_DATE(&v) = value;
    return v;
}

VARIANT MissingArg() {
    VARIANT v;
    V_VT(&v) = VT_ERROR;
    V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    return v;
}

HRESULT Invoke(IDispatch *object, DISPID member, WORD flags, std::vector<VARIANT> &reversed,
               VARIANT *result, const std::vector<DISPID> &named) {
    DISPPARAMS params{reversed.data(), named.empty() ? nullptr : const_cast<DISPID *>(named.data()),
                      static_cast<UINT>(reversed.size()), static_cast<UINT>(named.size())};
    return object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                          nullptr);
}

void Get(IDispatch *object, DISPID member, VARIANT *result, const char *what) {
    std::vector<VARIANT> none;
    Check(Invoke(object, member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, none, result), what);
}

std::size_t ForEach(IDispatch *collection) {
    OwnedVariant enumerator;
    Get(collection, DISPID_NEWENUM, enumerator.get(), "_NewEnum");
    Require(V_VT(enumerator.get()) == VT_UNKNOWN || V_VT(enumerator.get()) == VT_DISPATCH,
            "_NewEnum gave no object");
    ComPtr<IEnumVARIANT> items;
    Check(V_UNKNOWN(enumerator.get())->QueryInterface(IID_PPV_ARGS(&items)), "IEnumVARIANT");
    std::size_t count = 0;
    for (;;) {
        VARIANT item;
        VariantInit(&item);
        const HRESULT hr = items->Next(1, &item, nullptr);
        Check(hr, "IEnumVARIANT::Next");
        if (hr != S_OK)
            return count;
        VariantClear(&item);
        ++count;
    }
}

} // namespace combench
