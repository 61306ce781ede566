#include "variant.h"

#include <cmath>
#include <new>

namespace quorvane::server {

namespace {

void Check(HRESULT hr) {
    if (hr == E_OUTOFMEMORY)
        throw std::bad_alloc();
    if (FAILED(hr))
        throw RuntimeError(runtime_error::kInvalidArgument);
}

// The runtime's copy and conversion functions take their source as non-const; they only read it.
VARIANT *Source(const VARIANT &value) {
    return const_cast<VARIANT *>(&value);
}

bool IsNaN(const VARIANT &value) {
    switch (V_VT(&value)) {
    case VT_R4:
        return std::isnan(V_R4(&value));
    case VT_R8:
        return std::isnan(V_R8(&value));
    case VT_DATE:
        return std::isnan(V_DATE(&value));
    default:
        return false;
    }
}

// `plain` (no reference, no object) converted into `type` in `*out` (empty).
HRESULT ConvertPlain(VARIANT *out, const VARIANT &plain, VARTYPE type) {
    // Wine's conversions test a double's range with < and >=, which a NaN passes.
    if (type != VT_BSTR && IsNaN(plain))
        return DISP_E_OVERFLOW;
    return VariantChangeType(out, Source(plain), 0, type);
}

} // namespace

std::u16string_view ViewOf(BSTR text) {
    if (!text)
        return {};
    return std::u16string_view(reinterpret_cast<const char16_t *>(text), SysStringLen(text));
}

std::u16string FromBstr(BSTR text) {
    return std::u16string(ViewOf(text));
}

BSTR ToBstr(std::u16string_view text) {
    BSTR copy = SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.data()),
                                  static_cast<UINT>(text.size()));
    if (!copy)
        throw std::bad_alloc();
    return copy;
}

Variant::Variant(const VARIANT &source) {
    VariantInit(&value_);
    Check(VariantCopyInd(&value_, Source(source)));
}

void Variant::DeepCopyTo(VARIANT *out) const {
    VariantInit(out);
    Check(VariantCopy(out, Source(value_)));
}

const VARIANT *Referenced(const VARIANT *value) {
    constexpr int kMaxIndirection = 8;
    for (int depth = 0; V_VT(value) == (VT_VARIANT | VT_BYREF); ++depth) {
        if (depth == kMaxIndirection || !V_VARIANTREF(value))
            return nullptr;
        value = V_VARIANTREF(value);
    }
    if ((V_VT(value) & VT_BYREF) && !V_BYREF(value))
        return nullptr;
    return value;
}

bool IsMissing(const VARIANT *argument) {
    if (!argument)
        return true;
    const VARIANT *value = Referenced(argument);
    if (!value)
        return false;
    if (V_VT(value) == (VT_ERROR | VT_BYREF))
        return *V_ERRORREF(value) == DISP_E_PARAMNOTFOUND;
    return V_VT(value) == VT_ERROR && V_ERROR(value) == DISP_E_PARAMNOTFOUND;
}

bool MayRunCallerCode(const VARIANT &argument) {
    const VARIANT *value = Referenced(&argument);
    if (!value)
        return false;
    switch (V_VT(value) & ~VT_BYREF) {
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_RECORD:
        return true;
    default:
        return false;
    }
}

HRESULT PlainCopy(VARIANT *out, const VARIANT &source) {
    constexpr int kMaxDepth = 8; // an object whose value is an object, and so on
    HRESULT hr = VariantCopyInd(out, Source(source));
    for (int depth = 0; SUCCEEDED(hr) && V_VT(out) == VT_DISPATCH; ++depth) {
        IDispatch *object = V_DISPATCH(out);
        if (!object || depth == kMaxDepth) {
            hr = DISP_E_TYPEMISMATCH;
            break;
        }
        VARIANT value;
        VariantInit(&value);
        DISPPARAMS none{};
        hr = object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                            &none, &value, nullptr, nullptr);
        VariantClear(out);
        *out = value;
    }
    if (FAILED(hr))
        VariantClear(out);
    return hr;
}

HRESULT ChangeType(VARIANT *out, const VARIANT &source, VARTYPE type) {
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = PlainCopy(&value, source);
    if (SUCCEEDED(hr))
        hr = ConvertPlain(out, value, type);
    VariantClear(&value);
    return hr;
}

CollectionIndex ToIndex(const VARIANT &argument) {
    Variant value;
    Check(PlainCopy(value.put(), argument));
    if (V_VT(&value.get()) == VT_BSTR)
        return FromBstr(V_BSTR(&value.get()));
    Variant position;
    Check(ConvertPlain(position.put(), value.get(), VT_I4));
    return std::int64_t{V_I4(&position.get())};
}

std::u16string ToString(const VARIANT &argument) {
    Variant text;
    Check(ChangeType(text.put(), argument, VT_BSTR));
    return FromBstr(V_BSTR(&text.get()));
}

} // namespace quorvane::server
