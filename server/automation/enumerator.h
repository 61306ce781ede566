// One enumerator for IEnumVARIANT, IEnumConnections and IEnumConnectionPoints: it walks a
// snapshot taken when it was made. `Held` copies itself out with `void CopyTo(Item *) const`.
#pragma once

#include "com_object.h"

#include <algorithm>
#include <vector>

namespace quorvane::server {

template <class Interface, class Item, class Held>
class Enumerator final : public ComObject<Enumerator<Interface, Item, Held>, Interface> {
public:
    // A new enumerator with one reference, at the start of `items`.
    static Interface *Create(std::vector<Held> items) {
        return new Enumerator(std::move(items), 0);
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item *out, ULONG *fetched) override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG done = 0;
        const HRESULT hr = Allocating([&] {
            for (; done < count && at_ < items_.size(); ++done, ++at_)
                items_[at_].CopyTo(&out[done]);
        });
        if (fetched)
            *fetched = done;
        if (FAILED(hr))
            return hr;
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = items_.size() - at_;
        at_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        at_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface **out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return Allocating([&] { *out = new Enumerator(items_, at_); });
    }

    void *Find(REFIID iid) {
        if (iid == __uuidof(Interface))
            return static_cast<Interface *>(this);
        return nullptr;
    }

private:
    Enumerator(std::vector<Held> items, std::size_t at) : items_(std::move(items)), at_(at) {}

    std::vector<Held> items_;
    std::size_t at_;
};

} // namespace quorvane::server
