// VARIANT and BSTR with C++ lifetimes, and the readings of Automation arguments that the
// collection and the control share.
#pragma once

#include "collection.h"

#include <oaidl.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quorvane::server {

inline const wchar_t *AsWide(const std::u16string &text) {
    return reinterpret_cast<const wchar_t *>(text.c_str());
}

// A null BSTR reads as the empty string.
std::u16string FromBstr(BSTR text);
// The same without a copy, for as long as `text` lives.
std::u16string_view ViewOf(BSTR text);
// Throws std::bad_alloc when the string cannot be allocated.
BSTR ToBstr(std::u16string_view text);

// Owns one VARIANT; copies are deep.
class Variant {
public:
    // VT_EMPTY set here rather than by VariantInit: a snapshot makes and moves a Variant for
    // every entry, and a call into the runtime for each costs more than the rest of the move.
    Variant() { V_VT(&value_) = VT_EMPTY; }
    // Copies `source`, following a reference to the value it points at.
    explicit Variant(const VARIANT &source);
    static Variant Date(double date) {
        Variant result;
        V_VT(&result.value_) = VT_DATE;
        V_DATE(&result.value_) = date;
        return result;
    }
    Variant(const Variant &other) { other.CopyTo(&value_); }
    Variant(Variant &&other) noexcept : value_(other.value_) { V_VT(&other.value_) = VT_EMPTY; }
    Variant &operator=(Variant other) noexcept {
        std::swap(value_, other.value_);
        return *this;
    }
    ~Variant() {
        if (!HoldsNothingToFree(value_))
            VariantClear(&value_);
    }

    const VARIANT &get() const { return value_; }
    // Cleared, for a function that writes a new value.
    VARIANT *put() {
        VariantClear(&value_);
        return &value_;
    }
    // A copy for the caller to own, in `*out` (not cleared first).
    void CopyTo(VARIANT *out) const {
        if (HoldsNothingToFree(value_))
            *out = value_;
        else
            DeepCopyTo(out);
    }

private:
    // A value copied by its bits and freed by nothing, as numbers and dates are: the
    // runtime's copy and clear are skipped for it, which counts when a collection of a
    // million dates is copied and walked.
    static bool HoldsNothingToFree(const VARIANT &value) {
        switch (V_VT(&value)) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_ERROR:
        case VT_BOOL:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
            return true;
        default:
            return false;
        }
    }
    void DeepCopyTo(VARIANT *out) const;

    VARIANT value_;
};

// The value behind any VT_VARIANT | VT_BYREF references; null when a reference is null or
// they nest too deep to be a caller's honest argument.
const VARIANT *Referenced(const VARIANT *value);

// An optional argument that the caller left out: a null pointer, or the VT_ERROR value
// DISP_E_PARAMNOTFOUND, also behind a reference.
bool IsMissing(const VARIANT *argument);

// Whether reading `value` may run code of the caller's: an object's default value, QueryInterface
// or a record's copy.
bool MayRunCallerCode(const VARIANT &value);

// `source` (after any references) copied into `*out`, which must be empty, with an object
// replaced by its default value (DISPID_VALUE), as the runtime's conversions read it.
HRESULT PlainCopy(VARIANT *out, const VARIANT &source);
// The runtime's conversion of `source` into `type` in `*out` (empty); `source` is only read,
// also a by-reference one. Unlike the runtime, a NaN never converts to a number: it fails
// with DISP_E_OVERFLOW, as an infinity does.
HRESULT ChangeType(VARIANT *out, const VARIANT &source, VARTYPE type);

// A string is a key, anything that converts to a number a position; otherwise error 5.
CollectionIndex ToIndex(const VARIANT &argument);
// The argument as a string; error 5 when it does not convert.
std::u16string ToString(const VARIANT &argument);

} // namespace quorvane::server
