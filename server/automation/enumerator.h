// One enumerator for IEnumVARIANT, IEnumConnections and IEnumConnectionPoints over a `Source`
// of items: `bool CopyNext(Item *)` copies out the next item and moves on (false at the end;
// on a throw it stays), `bool Advance()` moves on without a copy, `void Rewind()` starts again,
// and a copy of a source walks on from the same place, as Clone needs.
#pragma once

#include "com_object.h"

#include <ocidl.h>
#include <oleauto.h>

#include <vector>

namespace quorvane::server {

// Releases what an enumerator copied out.
inline void Drop(VARIANT &item) {
    VariantClear(&item);
}
inline void Drop(CONNECTDATA &item) {
    item.pUnk->Release();
    item.pUnk = nullptr;
}
template <class Object> void Drop(Object *&item) {
    item->Release();
    item = nullptr;
}

template <class Interface, class Item, class Source>
class Enumerator final : public ComObject<Enumerator<Interface, Item, Source>, Interface> {
public:
    // A new enumerator with one reference, at the start of `source`.
    static Interface *Create(Source source) { return new Enumerator(std::move(source)); }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item *out, ULONG *fetched) override {
        return Boundary([&]() -> HRESULT {
            if (!out || (count > 1 && !fetched))
                return E_POINTER;
            ULONG done = 0;
            try {
                while (done < count && source_.CopyNext(&out[done]))
                    ++done;
            } catch (...) {
                // A failed Next hands out nothing: what it already copied out is dropped again.
                while (done > 0)
                    Drop(out[--done]);
                if (fetched)
                    *fetched = 0;
                throw;
            }
            if (fetched)
                *fetched = done;
            return done == count ? S_OK : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        return Boundary([&] {
            ULONG skipped = 0;
            while (skipped < count && source_.Advance())
                ++skipped;
            return skipped == count ? S_OK : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        return Boundary([&] { source_.Rewind(); });
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface **out) override {
        return Boundary([&]() -> HRESULT {
            // E_POINTER as for every null out-pointer of the control: the platform's pages
            // list E_INVALIDARG among Clone's answers, and callers can only rely on a failure.
            if (!out)
                return E_POINTER;
            *out = nullptr;
            *out = new Enumerator(source_);
            return S_OK;
        });
    }

    void *Find(REFIID iid) {
        if (iid == __uuidof(Interface))
            return static_cast<Interface *>(this);
        return nullptr;
    }

private:
    explicit Enumerator(Source source) : source_(std::move(source)) {}

    Source source_;
};

// Copies taken when the enumerator was made; `Held` copies itself out with
// `void CopyTo(Item *) const`.
template <class Item, class Held> class CopiedItems {
public:
    CopiedItems(std::vector<Held> items) : items_(std::move(items)) {}

    bool CopyNext(Item *out) {
        if (at_ == items_.size())
            return false;
        items_[at_].CopyTo(out);
        ++at_;
        return true;
    }
    bool Advance() { return at_ < items_.size() && (++at_, true); }
    void Rewind() { at_ = 0; }

private:
    std::vector<Held> items_;
    std::size_t at_ = 0;
};

} // namespace quorvane::server
