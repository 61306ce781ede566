// The COM client side of the tests: creating the control by its ProgID, calling it through
// IDispatch, reading error information, a sink for RunTime, and a message loop.
#pragma once

#include "quorvane_idl.h"

#include <gtest/gtest.h>
#include <olectl.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

std::wstring Text(BSTR text);
ComPtr<_Schedule> NewSchedule();
std::wstring ModulePath();
// Value `name` (null: the default value) of HKCR\`key`, "<missing>" if there is none; `view`
// is 0 for this process's own, or KEY_WOW64_32KEY or KEY_WOW64_64KEY.
std::wstring RegistryValue(const std::wstring &key, const wchar_t *name = nullptr, REGSAM view = 0);

// Arguments for Call; each owns what it holds and Call frees them.
VARIANT I4(LONG value);
VARIANT Str(const wchar_t *text);
VARIANT Missing();
VARIANT Ref(VARIANT *target); // VT_VARIANT | VT_BYREF, as VBScript passes a variable

// The HRESULT of Automation error `number`.
constexpr HRESULT Err(int number) {
    return static_cast<HRESULT>(0x800A0000u | static_cast<unsigned>(number));
}

struct Outcome {
    HRESULT hr;
    VARIANT value; // freed by the destructor
    SCODE scode;   // from EXCEPINFO
    std::wstring source, description;
    UINT arg_err = ~0u; // the argument blamed (puArgErr, an index into rgvarg); ~0u: none
    ~Outcome() { VariantClear(&value); }
    LONG Long() const { return V_I4(&value); }
    DATE Date() const { return V_DATE(&value); }
    std::wstring String() const { return Text(V_BSTR(&value)); }
};

// Calls names[0] by name; `named` arguments go with names[1..], `positional` in order.
Outcome Call(IDispatch *object, const std::vector<std::wstring> &names, WORD flags,
             std::vector<VARIANT> positional, std::vector<VARIANT> named = {});
// Invokes `member` with `args` in DISPPARAMS order, the first ones named by `named`.
Outcome InvokeWith(IDispatch *object, DISPID member, WORD flags, std::vector<VARIANT> args,
                   std::vector<DISPID> named = {});
// The same as Call, by dispatch id.
Outcome CallId(IDispatch *object, DISPID member, WORD flags, std::vector<VARIANT> positional);

// The error information that a failed vtable call `hr` left behind.
struct Raised {
    HRESULT hr;
    std::wstring source, description;
};
Raised ErrorOf(HRESULT hr);

// Local time in `seconds`, as a date value, whole seconds; and its parts.
DATE NowPlus(double seconds);
SYSTEMTIME Parts(DATE date);
// Adds a one-shot entry (ty 3) or, with `daily`, a daily entry (ty 0) at the time of `when`.
HRESULT AddAt(_Schedule *schedule, const wchar_t *name, DATE when, bool daily = false);

// Receives __Schedule.RunTime; runs `handler` for each with the key it got.
class Sink final : public IDispatch {
public:
    std::vector<std::wstring> keys;
    std::function<void(const std::wstring &)> handler;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *params,
                                     VARIANT *, EXCEPINFO *, UINT *) override;
};

DWORD Connect(IUnknown *control, IUnknown *sink);
inline DWORD Connect(IUnknown *control, Sink &sink) {
    return Connect(control, static_cast<IUnknown *>(&sink));
}
// Runs a message loop until `done` or `ms` milliseconds have passed; true if done.
bool PumpUntil(const std::function<bool()> &done, DWORD ms);
