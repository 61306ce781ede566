// Scripting.Dictionary as a store: keys are the entries' names, items their time of day
// (VT_DATE), as a script would keep them.
#pragma once

#include "dictionary.h"
#include "store.h"

#include <wrl/client.h>

namespace combench {

class DictionaryStore final : public Store {
public:
    DictionaryStore();
    ~DictionaryStore() override;

    IDispatch *Object() override { return object_.Get(); }
    LateCall Add() override;
    LateCall Find() override;
    LateCall Remove() override;
    void Put(const Entry &entry) override;
    void Drop(const Entry &entry) override;
    // Items(): a SAFEARRAY of the items.
    void Snapshot(VARIANT *out) override;
    std::size_t Walk(VARIANT *snapshot) override;

private:
    Microsoft::WRL::ComPtr<IDispatch> object_;
    IDictionary *vtable_ = nullptr;
    DISPID add_, item_, remove_, items_;
};

} // namespace combench
