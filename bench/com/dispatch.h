// Late-bound calls as a script engine makes them: dispatch ids looked up once, arguments
// passed by value (BSTR names, VT_I4 numbers) in DISPPARAMS, results cleared after use.
#pragma once

#include <oaidl.h>

#include <cstddef>
#include <vector>

namespace combench {

DISPID DispIdOf(IDispatch *object, const wchar_t *name);

// Arguments the caller owns; a call may change or clear them, so each serves one call.
VARIANT BstrArg(BSTR text); // a copy of `text`
VARIANT LongArg(LONG value);
VARIANT DateArg(DATE value);
VARIANT MissingArg(); // an optional argument left out

// A VARIANT that clears itself.
class OwnedVariant {
public:
    OwnedVariant() { VariantInit(&value_); }
    ~OwnedVariant() { VariantClear(&value_); }
    OwnedVariant(const OwnedVariant &) = delete;
    OwnedVariant &operator=(const OwnedVariant &) = delete;
    VARIANT *get() { return &value_; }

private:
    VARIANT value_;
};

// Invokes `member` with arguments `reversed` as DISPPARAMS holds them: the named ones first, in
// the order of `named`, then the positional ones, last first. The result, if `result` is
// given, goes there.
HRESULT Invoke(IDispatch *object, DISPID member, WORD flags, std::vector<VARIANT> &reversed,
               VARIANT *result = nullptr, const std::vector<DISPID> &named = {});

// Reads a property or calls a method with no arguments, into `result`.
void Get(IDispatch *object, DISPID member, VARIANT *result, const char *what);

// For Each over `collection` as a script engine runs it: its _NewEnum, then Next one item at a
// time, each item cleared. Returns the number of items.
std::size_t ForEach(IDispatch *collection);

} // namespace combench
