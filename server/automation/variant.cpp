#include "variant.h"

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
    return value && V_VT(value) == VT_ERROR && V_ERROR(value) == DISP_E_PARAMNOTFOUND;
}

CollectionIndex ToIndex(const VARIANT &argument) {
    const Variant value(argument);
    if (V_VT(&value.get()) == VT_BSTR)
        return FromBstr(V_BSTR(&value.get()));
    Variant position;
    Check(VariantChangeType(position.put(), Source(value.get()), 0, VT_I4));
    return std::int64_t{V_I4(&position.get())};
}

std::u16string ToString(const VARIANT &argument) {
    const Variant value(argument);
    Variant text;
    Check(VariantChangeType(text.put(), Source(value.get()), 0, VT_BSTR));
    return FromBstr(V_BSTR(&text.get()));
}

} // namespace quorvane::server
