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

// An object of the caller's that answers IDispatch (and `also`) and counts its references for
// real: it goes when the last one does, whoever holds it.
class CallerObject : public IDispatch {
public:
    explicit CallerObject(REFIID also = IID_IDispatch) : also_(also) {}
    CallerObject(const CallerObject &) = delete;
    CallerObject &operator=(const CallerObject &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
        return E_NOTIMPL;
    }

protected:
    virtual ~CallerObject() = default;
    // Runs as the last reference goes, before the object does.
    virtual void Ending() {}

private:
    const IID also_;
    LONG refs_ = 1;
};

// An argument that is an object: reading its value runs `on_read` and gives `value`.
class ValueObject final : public CallerObject {
public:
    // A new object with one reference.
    static ValueObject *Create(VARIANT value, std::function<void()> on_read) {
        return new ValueObject(value, std::move(on_read));
    }

    std::function<void()> on_read;

    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *,
                                     VARIANT *result, EXCEPINFO *, UINT *) override;

private:
    ValueObject(VARIANT value, std::function<void()> read)
        : on_read(std::move(read)), value_(value) {}
    ~ValueObject() override { VariantClear(&value_); }

    VARIANT value_;
};

// A VARIANT holding `object`, taking over the reference the caller had.
VARIANT Object(IDispatch *object);

// A sink of RunTime that pumps messages in every event and in its final Release, as a VB
// handler with DoEvents and a Class_Terminate with a MsgBox do; counts its events.
class PumpingSink final : public CallerObject {
public:
    static PumpingSink *Create(LONG *events) { return new PumpingSink(events); }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *,
                                     EXCEPINFO *, UINT *) override;

private:
    explicit PumpingSink(LONG *events) : CallerObject(DIID___Schedule), events_(events) {}
    void Ending() override { PumpMessages(); }

    LONG *events_;
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
