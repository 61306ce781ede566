#include "caller_code.h"

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

HRESULT CanUnloadNow() {
    const HMODULE module = GetModuleHandleW(ModulePath().c_str());
    if (!module)
        return E_FAIL;
    auto can_unload = reinterpret_cast<HRESULT(WINAPI *)()>(
        reinterpret_cast<void *>(GetProcAddress(module, "DllCanUnloadNow")));
    return can_unload();
}

HRESULT CallerObject::QueryInterface(REFIID iid, void **out) {
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != also_) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IDispatch *>(this);
    AddRef();
    return S_OK;
}

ULONG CallerObject::Release() {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
        Ending();
        delete this;
    }
    return left;
}

HRESULT CallerObject::GetTypeInfoCount(UINT *count) {
    *count = 0;
    return S_OK;
}

HRESULT ValueObject::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *result,
                            EXCEPINFO *, UINT *) {
    if (member != DISPID_VALUE)
        return DISP_E_MEMBERNOTFOUND;
    AddRef(); // the code may let go of this object's last other reference
    if (on_read)
        on_read();
    HRESULT hr = S_OK;
    if (result) {
        VariantInit(result);
        hr = VariantCopy(result, &value_);
    }
    Release();
    return hr;
}

VARIANT Object(IDispatch *object) {
    VARIANT v;
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = object;
    return v;
}

HRESULT PumpingSink::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                            UINT *) {
    if (events_)
        InterlockedIncrement(events_);
    PumpMessages();
    return S_OK;
}

StaThread::StaThread()
    : ready_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    thread_ = CreateThread(nullptr, 0, Main, this, 0, &id_);
    WaitForSingleObject(done_, INFINITE); // its message queue and apartment are there
}

StaThread::~StaThread() {
    Run([this] { stop_ = true; });
    WaitForSingleObject(thread_, INFINITE);
    for (HANDLE handle : {thread_, ready_, done_})
        CloseHandle(handle);
}

void StaThread::Run(std::function<void()> work) {
    work_ = std::move(work);
    SetEvent(ready_);
    WaitForSingleObject(done_, INFINITE);
}

DWORD WINAPI StaThread::Main(void *self) {
    auto &thread = *static_cast<StaThread *>(self);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PumpMessages(); // makes the message queue
    SetEvent(thread.done_);
    while (!thread.stop_) {
        const DWORD woke =
            MsgWaitForMultipleObjects(1, &thread.ready_, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) {
            thread.work_();
            SetEvent(thread.done_);
        } else {
            PumpMessages();
        }
    }
    CoUninitialize();
    return 0;
}
