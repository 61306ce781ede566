// The caller's code running inside the control's calls, as real callers' code does: an object
// whose default value (DISPID_VALUE) runs whatever the test says, a sink whose events and
// final Release pump messages, and single-threaded apartments of the test's own.
#pragma once

#include "host.h"

#include <functional>

// Dispatches every message waiting on this thread, as DoEvents does.
void PumpMessages();

// The module's DllCanUnloadNow, called in place (the module stays loaded).
HRESULT CanUnloadNow();

// An argument that is an object: reading its value runs `on_read` and gives `value`.
// Reference counted for real, since the control may keep it (a collection's item).
class ValueObject final : public IDispatch {
public:
    // A new object with one reference.
    static ValueObject *Create(VARIANT value, std::function<void()> on_read);

    std::function<void()> on_read;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *,
                                     VARIANT *result, EXCEPINFO *, UINT *) override;

private:
    ValueObject(VARIANT value, std::function<void()> read);
    ~ValueObject() { VariantClear(&value_); }

    VARIANT value_;
    LONG refs_ = 1;
};

// A VARIANT holding `object`, taking over the reference the caller had.
VARIANT Object(IDispatch *object);

// A sink of RunTime that pumps messages in every event and in its final Release, as a VB
// handler with DoEvents and a Class_Terminate with a MsgBox do; counts its events.
class PumpingSink final : public IDispatch {
public:
    static PumpingSink *Create(LONG *events);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *,
                                     EXCEPINFO *, UINT *) override;

private:
    explicit PumpingSink(LONG *events) : events_(events) {}

    LONG *events_;
    LONG refs_ = 1;
};

// A thread in a single-threaded apartment of its own that pumps its messages between the
// pieces of work it is handed.
class StaThread {
public:
    StaThread();
    ~StaThread();
    StaThread(const StaThread &) = delete;
    StaThread &operator=(const StaThread &) = delete;

    // Runs `work` on the thread and waits until it is done.
    void Run(std::function<void()> work);

private:
    static DWORD WINAPI Main(void *self);

    HANDLE thread_, ready_, done_;
    DWORD id_ = 0;
    std::function<void()> work_;
    bool stop_ = false;
};
