// schedule_host.h: what a C++ program needs to hear the Quorvane Schedule control's RunTime.
//
// ScheduleHost creates the control on this thread, connects itself to the control's event
// interface as the sink, and runs the message loop that the control's timer ticks through.
// The thread must be a single-threaded apartment: call CoInitialize(nullptr) first.
#pragma once

#include "quorvane_idl.h"

#include <windows.h>

#include <functional>

class ScheduleHost : public IDispatch {
public:
    // Called for each entry that goes off, with its name: the control's copy, to read only.
    std::function<void(const wchar_t *name)> on_run_time;

    ScheduleHost() {
        CLSID clsid;
        result_ = CLSIDFromProgID(L"Quorvane.Schedule", &clsid);
        if (SUCCEEDED(result_))
            result_ = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Schedule,
                                       reinterpret_cast<void **>(&schedule_));
        IConnectionPointContainer *points = nullptr;
        if (SUCCEEDED(result_))
            result_ = schedule_->QueryInterface(IID_IConnectionPointContainer,
                                                reinterpret_cast<void **>(&points));
        if (SUCCEEDED(result_)) {
            result_ = points->FindConnectionPoint(DIID___Schedule, &point_);
            points->Release();
        }
        if (SUCCEEDED(result_))
            result_ = point_->Advise(this, &cookie_);
    }
    ~ScheduleHost() {
        if (cookie_)
            point_->Unadvise(cookie_);
        if (point_)
            point_->Release();
        if (schedule_)
            schedule_->Release();
    }
    ScheduleHost(const ScheduleHost &) = delete;
    ScheduleHost &operator=(const ScheduleHost &) = delete;

    // S_OK once the control is made and the sink connected; else why not.
    HRESULT Status() const { return result_; }
    _Schedule *operator->() const { return schedule_; }

    // Adds an entry; `at` gives the date and time fields, of which the kind uses some.
    HRESULT Add(const wchar_t *name, schDateType kind, const SYSTEMTIME &at, LONG weekday = 0) {
        BSTR key = SysAllocString(name);
        LONG yr = at.wYear, mon = at.wMonth, dy = at.wDay;
        LONG hr = at.wHour, min = at.wMinute, sec = at.wSecond;
        const HRESULT result =
            schedule_->AddSchedule(&key, &kind, &yr, &mon, &weekday, &dy, &hr, &min, &sec);
        SysFreeString(key);
        return result;
    }
    // Adds a one-shot entry due at the moment `at` (see Now).
    HRESULT AddOnce(const wchar_t *name, ULONGLONG at) {
        return Add(name, schAppointTime, TimeOf(at));
    }
    // Adds a one-shot entry due `seconds` from now.
    HRESULT AddOnceIn(const wchar_t *name, int seconds) { return AddOnce(name, Now() + seconds); }
    // The entry's next due moment (see Now); 0 when there is no entry of that name.
    ULONGLONG NextTime(const wchar_t *name) const {
        BSTR key = SysAllocString(name);
        DATE due = 0;
        SYSTEMTIME t;
        const bool found = SUCCEEDED(schedule_->get_NextTime(&key, &due)) &&
                           VariantTimeToSystemTime(due, &t);
        SysFreeString(key);
        return found ? MomentOf(t) : 0;
    }

    // Moments as whole seconds of local wall-clock time, counted from 1601: a day is 86400 of
    // them whatever the clock does, so moments can be added to and compared.
    static ULONGLONG Now() {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return MomentOf(t);
    }
    static ULONGLONG MomentOf(const SYSTEMTIME &t) {
        FILETIME f;
        SystemTimeToFileTime(&t, &f);
        return ((ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000000;
    }
    static SYSTEMTIME TimeOf(ULONGLONG moment) {
        const ULONGLONG ticks = moment * 10000000;
        const FILETIME f{DWORD(ticks), DWORD(ticks >> 32)};
        SYSTEMTIME t;
        FileTimeToSystemTime(&f, &t);
        return t;
    }

    // Takes this thread's messages, and with them the control's ticks, until `done` says so
    // or `timeout_ms` have passed; false on the time-out.
    bool RunUntil(const std::function<bool()> &done, DWORD timeout_ms) {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start >= timeout_ms)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        return true;
    }

    // The sink. The control calls RunTime as dispatch id 1 with the entry's name by reference.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS *params, VARIANT *,
                                     EXCEPINFO *, UINT *) override {
        if (id == 1 && params->cArgs == 1 && V_VT(&params->rgvarg[0]) == (VT_BSTR | VT_BYREF) &&
            on_run_time)
            on_run_time(*V_BSTRREF(&params->rgvarg[0]));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID___Schedule) {
            *out = static_cast<IDispatch *>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The host outlives the connection (the destructor ends it), so no count is kept.
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

private:
    _Schedule *schedule_ = nullptr;
    IConnectionPoint *point_ = nullptr;
    DWORD cookie_ = 0;
    HRESULT result_ = E_FAIL;
};
