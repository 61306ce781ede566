// VARIANT and BSTR with C++ lifetimes, and the readings of Automation arguments that the
// collection and the control share.
#pragma once

#include "collection.h"

#include <oaidl.h>

#include <optional>
#include <string>
#include <string_view>

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
    Variant() { VariantInit(&value_); }
    // Copies `source`, following a reference to the value it points at.
    explicit Variant(const VARIANT &source);
    static Variant Date(double date);
    Variant(const Variant &other);
    Variant(Variant &&other) noexcept;
    Variant &operator=(Variant other) noexcept;
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
    void CopyTo(VARIANT *out) const;

private:
    // A value copied by its bits and freed by nothing, as numbers and dates are: the
    // runtime's copy and clear are skipped for it, which counts when a collection of a
    // million dates is copied and walked.
    static bool HoldsNothingToFree(const VARIANT &value);

    VARIANT value_;
};

// The value behind any VT_VARIANT | VT_BYREF references; null when a reference is null or
// they nest too deep to be a caller's honest argument.
const VARIANT *Referenced(const VARIANT *value);

// An optional argument that the caller left out: a null pointer, or the VT_ERROR value
// DISP_E_PARAMNOTFOUND, also behind a reference.
bool IsMissing(const VARIANT *argument);

// A string is a key, anything that converts to a number a position; otherwise error 5.
CollectionIndex ToIndex(const VARIANT &argument);
// The argument as a string; error 5 when it does not convert.
std::u16string ToString(const VARIANT &argument);

} // namespace quorvane::server
