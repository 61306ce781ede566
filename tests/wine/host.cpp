#include "host.h"

#include <algorithm>
#include <cmath>

std::wstring Text(BSTR text) {
    return text ? std::wstring(text, SysStringLen(text)) : L"";
}

ComPtr<_Schedule> NewSchedule() {
    CLSID clsid{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"Quorvane.Schedule", &clsid));
    EXPECT_EQ(CLSID_Schedule, clsid);
    ComPtr<_Schedule> schedule;
    EXPECT_EQ(S_OK,
              CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&schedule)));
    return schedule;
}

std::wstring RegistryValue(const std::wstring &key, const wchar_t *name, REGSAM view) {
    HKEY opened;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened))
        return L"<missing>";
    wchar_t value[MAX_PATH] = L"";
    DWORD size = sizeof value;
    const LSTATUS status =
        RegGetValueW(opened, nullptr, name, RRF_RT_REG_SZ, nullptr, value, &size);
    RegCloseKey(opened);
    return status ? L"<missing>" : value;
}

std::wstring ModulePath() {
    wchar_t clsid[39];
    StringFromGUID2(CLSID_Schedule, clsid, 39);
    return RegistryValue(std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32");
}

VARIANT I4(LONG value) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

VARIANT Str(const wchar_t *text) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(text);
    return v;
}

VARIANT Missing() {
    VARIANT v;
    V_VT(&v) = VT_ERROR;
    V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    return v;
}

VARIANT Ref(VARIANT *target) {
    VARIANT v;
    V_VT(&v) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&v) = target;
    return v;
}

Outcome InvokeWith(IDispatch *object, DISPID member, WORD flags, std::vector<VARIANT> args,
                   std::vector<DISPID> named) {
    DISPPARAMS params{args.data(), named.empty() ? nullptr : named.data(),
                      static_cast<UINT>(args.size()), static_cast<UINT>(named.size())};
    Outcome out{};
    VariantInit(&out.value);
    EXCEPINFO excep{};
    out.hr = object->Invoke(member, IID_NULL, 0, flags, &params, &out.value, &excep, &out.arg_err);
    out.scode = excep.scode;
    out.source = Text(excep.bstrSource);
    out.description = Text(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    for (VARIANT &arg : args)
        VariantClear(&arg);
    return out;
}

Outcome CallId(IDispatch *object, DISPID member, WORD flags, std::vector<VARIANT> positional) {
    std::reverse(positional.begin(), positional.end());
    std::vector<DISPID> named;
    if (flags & DISPATCH_PROPERTYPUT)
        named.push_back(DISPID_PROPERTYPUT);
    return InvokeWith(object, member, flags, std::move(positional), std::move(named));
}

Outcome Call(IDispatch *object, const std::vector<std::wstring> &names, WORD flags,
             std::vector<VARIANT> positional, std::vector<VARIANT> named) {
    std::vector<LPOLESTR> texts;
    for (const std::wstring &name : names)
        texts.push_back(const_cast<LPOLESTR>(name.c_str()));
    std::vector<DISPID> ids(names.size());
    EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, texts.data(), static_cast<UINT>(texts.size()),
                                          0, ids.data()));
    if (named.empty())
        return CallId(object, ids[0], flags, std::move(positional));
    // Named arguments come first in DISPPARAMS, then the positional ones, last first.
    named.insert(named.end(), positional.rbegin(), positional.rend());
    return InvokeWith(object, ids[0], flags, std::move(named), {ids.begin() + 1, ids.end()});
}

Raised ErrorOf(HRESULT hr) {
    Raised raised{hr, L"", L""};
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) == S_OK) {
        BSTR source = nullptr, description = nullptr;
        info->GetSource(&source);
        info->GetDescription(&description);
        raised.source = Text(source);
        raised.description = Text(description);
        SysFreeString(source);
        SysFreeString(description);
    }
    return raised;
}

DATE NowPlus(double seconds) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    now.wMilliseconds = 0;
    DATE date = 0;
    SystemTimeToVariantTime(&now, &date);
    return date + seconds / 86400.0;
}

SYSTEMTIME Parts(DATE date) {
    SYSTEMTIME parts{};
    VariantTimeToSystemTime(date, &parts);
    return parts;
}

HRESULT AddAt(_Schedule *schedule, const wchar_t *name, DATE when, bool daily) {
    const SYSTEMTIME t = Parts(when);
    BSTR index = SysAllocString(name);
    schDateType ty = daily ? schEveryDay : schAppointTime;
    LONG yr = t.wYear, mon = t.wMonth, wk = 0, dy = t.wDay, hr = t.wHour, min = t.wMinute,
         sec = t.wSecond;
    const HRESULT result = schedule->AddSchedule(&index, &ty, &yr, &mon, &wk, &dy, &hr, &min, &sec);
    SysFreeString(index);
    return result;
}

HRESULT Sink::QueryInterface(REFIID iid, void **out) {
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID___Schedule) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = this;
    AddRef();
    return S_OK;
}

HRESULT Sink::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *params, VARIANT *, EXCEPINFO *,
                     UINT *) {
    EXPECT_EQ(1, member);
    EXPECT_EQ(1u, params->cArgs);
    EXPECT_EQ(VT_BYREF | VT_BSTR, V_VT(&params->rgvarg[0]));
    BSTR *key = V_BSTRREF(&params->rgvarg[0]);
    const std::wstring name = Text(*key);
    keys.push_back(name);
    // What a handler writes into its argument is dropped by the control.
    SysReAllocString(key, L"changed by the handler");
    if (handler)
        handler(name);
    return E_FAIL; // a failing sink changes nothing either
}

DWORD Connect(IUnknown *control, IUnknown *sink) {
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(S_OK, control->QueryInterface(IID_PPV_ARGS(&container)));
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(S_OK, container->FindConnectionPoint(DIID___Schedule, &point));
    DWORD cookie = 0;
    EXPECT_EQ(S_OK, point->Advise(sink, &cookie));
    return cookie;
}

bool PumpUntil(const std::function<bool()> &done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() >= end)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
