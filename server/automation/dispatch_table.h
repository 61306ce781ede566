// IDispatch over a table of members: GetIDsOfNames and Invoke written out, not delegated to
// ITypeInfo::Invoke, so that the caller's arguments are only ever read.
//
// Invoke lays the arguments out by position (named ones at their place, DISPID_PROPERTYPUT at
// the value of a property write), then coerces each into storage of the call's own: a number
// into a number, anything else into a string or a deep copy. A string argument that already
// is a string is read in place, unless another argument is an object whose conversion could
// run code that frees it. Nothing the caller passed is written, cleared or freed, whatever
// its shape: by value, by reference (also VT_VARIANT | VT_BYREF, as script engines pass a
// variable), missing or named. An optional argument left out reads as 0, in any position.
#pragma once

#include <oaidl.h>

#include <array>
#include <cstddef>
#include <span>

namespace quorvane::server {

enum class ArgKind : unsigned char { String, Long, Short, Variant };

struct Param {
    const wchar_t *name; // for named arguments; null: the value of a property write
    ArgKind kind;
    bool optional = false;
};

// At most this many parameters a member.
constexpr std::size_t kMaxParams = 9;

// The arguments of one call, coerced and owned by the call.
class Arguments {
public:
    Arguments() = default;
    Arguments(const Arguments &) = delete;
    Arguments &operator=(const Arguments &) = delete;
    ~Arguments();

    // A string argument; may be null, which reads as the empty string.
    BSTR String(std::size_t at) const { return V_BSTR(&values_[at]); }
    LONG Long(std::size_t at) const { return V_I4(&values_[at]); }
    SHORT Short(std::size_t at) const { return V_I2(&values_[at]); }
    // A VARIANT argument; VT_ERROR DISP_E_PARAMNOTFOUND when an optional one was left out.
    VARIANT *Variant(std::size_t at) { return &values_[at]; }

    // Reads `source` (after any references) as `kind` into place `at`; a string that
    // already is one is read in place if `in_place`, else copied. A failure of the
    // conversion is returned as it is.
    HRESULT Take(std::size_t at, ArgKind kind, const VARIANT &source, bool in_place);
    // An optional argument left out.
    void TakeMissing(std::size_t at, ArgKind kind);

private:
    std::array<VARIANT, kMaxParams> values_;
    std::array<bool, kMaxParams> owned_{};
};

struct Member {
    const wchar_t *name;
    DISPID id;
    // DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT. A property read also
    // answers a call as a method, as script engines make it.
    WORD kind;
    std::span<const Param> params;
    // Calls the member on `object`; a result goes to `*result`, which starts out VT_EMPTY.
    HRESULT (*call)(void *object, Arguments &args, VARIANT *result);
};

// GetIDsOfNames: names[0] a member (any case), the rest its parameters.
HRESULT IdsOfNames(std::span<const Member> members, LPOLESTR *names, UINT count, DISPID *ids);

// Invoke. A member's failure comes back as DISP_E_EXCEPTION with EXCEPINFO (when given)
// filled from the error information the member set; the error information stays set for the
// caller. A failure of the call itself (unknown member, argument count, a named argument
// that is no parameter or is given twice, an argument that does not convert) comes back as
// its own DISP_E_ code, with `*arg_err` naming the argument where there is one.
HRESULT InvokeMember(std::span<const Member> members, void *object, DISPID id, WORD flags,
                     DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep, UINT *arg_err);

} // namespace quorvane::server
