// Reference counting and QueryInterface for the module's heap objects. `Self` answers
// QueryInterface through `void *Self::Find(REFIID)`, returning null for an unknown interface;
// IUnknown itself is answered here, by the object's own unknown.
//
// An object may be aggregated: its own IUnknown, `Inner()`, counts the references and answers
// QueryInterface, while the IUnknown methods of every other interface delegate to the
// controlling unknown, the outer object's when there is one and `Inner()` otherwise.
//
// The IUnknown methods cannot throw; every other method of the object's interfaces runs its
// body through Boundary (boundary.h).
#pragma once

#include "boundary.h"
#include "module_lock.h"

#include <unknwn.h>

namespace quorvane::server {

template <class Self, class... Interfaces> class ComObject : public Interfaces... {
public:
    explicit ComObject(IUnknown *outer = nullptr)
        : inner_(*this), outer_(outer ? outer : &inner_) {}
    ComObject(const ComObject &) = delete;
    ComObject &operator=(const ComObject &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) noexcept override {
        return outer_->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return outer_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return outer_->Release(); }

    // The object's own, non-delegating IUnknown.
    IUnknown *Inner() { return &inner_; }

    // A reference for code that reaches the object by a pointer of its own, such as a timer's
    // tick, and may find it on its way out (released on another thread, or its destruction
    // running a message loop): taken only while the object is alive. LetGo gives it back.
    // It holds the object itself, never an outer object, which may be on its way out while
    // the object lives on (its final release not yet at the object's own): a holder must
    // neither bring it back nor run its final release again. Nothing done while holding may
    // reach the outer object.
    bool TryHold() { return inner_.TryAddRef(); }
    void LetGo() { inner_.Release(); }

protected:
    virtual ~ComObject() = default;

private:
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(ComObject &object) : object_(object) {}

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) noexcept override {
            if (!out)
                return E_POINTER;
            if (iid == IID_IUnknown) {
                *out = this;
                AddRef();
                return S_OK;
            }
            *out = static_cast<Self &>(object_).Find(iid);
            if (!*out)
                return E_NOINTERFACE;
            static_cast<IUnknown *>(*out)->AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() noexcept override { return InterlockedIncrement(&refs_); }
        ULONG STDMETHODCALLTYPE Release() noexcept override {
            const ULONG left = InterlockedDecrement(&refs_);
            if (left == 0) {
                // Code that the destruction runs (a sink's last Release may pump messages)
                // may AddRef and Release the object again: it must not come back to 0.
                refs_ = kDestroying;
                delete &object_;
            }
            return left;
        }
        bool TryAddRef() {
            for (LONG held = refs_; held > 0 && held < kDestroying;) {
                const LONG seen = InterlockedCompareExchange(&refs_, held + 1, held);
                if (seen == held)
                    return true;
                held = seen;
            }
            return false;
        }

    private:
        static constexpr LONG kDestroying = 0x3FFFFFFF;

        ComObject &object_;
        LONG refs_ = 1;
    };

    InnerUnknown inner_;
    IUnknown *const outer_;
    ModuleLock module_;
};

} // namespace quorvane::server
