// alarm.cpp: a C++ client of the Quorvane Schedule control that hears its RunTime event.
//
// It adds two one-shot entries due in one and in two seconds, connects a sink to the
// control's event interface and runs a message loop, which the control's timer needs, until
// both have gone off or ten seconds have passed.
#include "quorvane_idl.h"

#include <windows.h>

#include <cstdio>

// The sink: the control calls RunTime as dispatch id 1 with the entry's name, by reference.
class AlarmSink : public IDispatch {
public:
    int heard = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID___Schedule) {
            *out = static_cast<IDispatch *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The sink lives on main's stack, longer than the connection.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS *params, VARIANT *,
                                     EXCEPINFO *, UINT *) override {
        if (id == 1 && params->cArgs == 1 && V_VT(&params->rgvarg[0]) == (VT_BSTR | VT_BYREF)) {
            ++heard;
            std::printf("RunTime %ls\n", *V_BSTRREF(&params->rgvarg[0]));
        }
        return S_OK;
    }
};

// Adds a one-shot entry due `seconds` from now, in local time.
HRESULT AddIn(_Schedule *schedule, const wchar_t *name, int seconds) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    DATE due;
    SystemTimeToVariantTime(&now, &due);
    SYSTEMTIME t;
    VariantTimeToSystemTime(due + seconds / 86400.0, &t);
    BSTR key = SysAllocString(name);
    schDateType kind = schAppointTime;
    LONG yr = t.wYear, mon = t.wMonth, wk = 0, dy = t.wDay;
    LONG hr = t.wHour, min = t.wMinute, sec = t.wSecond;
    HRESULT result = schedule->AddSchedule(&key, &kind, &yr, &mon, &wk, &dy, &hr, &min, &sec);
    SysFreeString(key);
    return result;
}

int main() {
    CoInitialize(nullptr); // the control's thread: a single-threaded apartment
    CLSID clsid;
    _Schedule *schedule = nullptr;
    HRESULT hr = CLSIDFromProgID(L"Quorvane.Schedule", &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Schedule,
                              reinterpret_cast<void **>(&schedule));
    if (FAILED(hr)) {
        std::printf("cannot create Quorvane.Schedule: 0x%08lx\n", static_cast<unsigned long>(hr));
        return 1;
    }

    // Connect the sink before anything can go off.
    AlarmSink sink;
    IConnectionPointContainer *points = nullptr;
    IConnectionPoint *point = nullptr;
    DWORD cookie = 0;
    schedule->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void **>(&points));
    points->FindConnectionPoint(DIID___Schedule, &point);
    point->Advise(&sink, &cookie);

    schedule->put_TimerInterVal(100);
    AddIn(schedule, L"Tea", 1);
    AddIn(schedule, L"Cake", 2);

    // The control's timer ticks through this thread's messages.
    const DWORD start = GetTickCount();
    while (sink.heard < 2 && GetTickCount() - start < 10000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    std::printf("%d events\n", sink.heard);

    point->Unadvise(cookie);
    point->Release();
    points->Release();
    schedule->Release();
    CoUninitialize();
    return sink.heard == 2 ? 0 : 1;
}
