#include "dictionary_store.h"

#include "dispatch.h"
#include "harness.h"

#include <cstddef>

namespace combench {

void CheckSlot(IDispatch *dictionary, const wchar_t *name, std::size_t offset) {
    Microsoft::WRL::ComPtr<ITypeInfo> info;
    Check(dictionary->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), "IDictionary type information");
    // A dual interface's type information may be its dispatch side; the vtable is the other.
    HREFTYPE vtable_side;
    if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &vtable_side))) {
        Microsoft::WRL::ComPtr<ITypeInfo> interface_info;
        Check(info->GetRefTypeInfo(vtable_side, &interface_info), "IDictionary vtable type");
        info = interface_info;
    }
    MEMBERID member;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    Check(info->GetIDsOfNames(names, 1, &member), "IDictionary member by name");
    TYPEATTR *attr;
    Check(info->GetTypeAttr(&attr), "IDictionary type attributes");
    bool found = false;
    for (UINT i = 0; i < attr->cFuncs && !found; ++i) {
        FUNCDESC *func;
        Check(info->GetFuncDesc(i, &func), "IDictionary function");
        found = func->memid == member && func->invkind == INVOKE_FUNC &&
                static_cast<std::size_t>(func->oVft) == offset;
        info->ReleaseFuncDesc(func);
    }
    info->ReleaseTypeAttr(attr);
    Require(found, "the declared IDictionary vtable does not match scrrun's type information");
}

DictionaryStore::DictionaryStore() {
    CLSID clsid;
    Check(CLSIDFromProgID(L"Scripting.Dictionary", &clsid), "CLSIDFromProgID Scripting.Dictionary");
    Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object_)),
          "CoCreateInstance Scripting.Dictionary");
    CheckSlot(object_.Get(), L"Add", offsetof(IDictionaryVtbl, Add));
    CheckSlot(object_.Get(), L"Remove", offsetof(IDictionaryVtbl, Remove));
    CheckSlot(object_.Get(), L"Items", offsetof(IDictionaryVtbl, Items));
    Check(object_->QueryInterface(kIID_IDictionary, reinterpret_cast<void **>(&vtable_)),
          "IDictionary");
    add_ = DispIdOf(object_.Get(), L"Add");
    item_ = DispIdOf(object_.Get(), L"Item");
    remove_ = DispIdOf(object_.Get(), L"Remove");
    items_ = DispIdOf(object_.Get(), L"Items");
}

DictionaryStore::~DictionaryStore() {
    vtable_->lpVtbl->Release(vtable_);
}

namespace {

// The entry's name as a key the callee only reads: no copy.
VARIANT BorrowedKey(const Entry &entry) {
    VARIANT key;
    V_VT(&key) = VT_BSTR;
    V_BSTR(&key) = entry.name;
    return key;
}

} // namespace

LateCall DictionaryStore::Add() {
    return {"Dictionary.Add", add_, DISPATCH_METHOD, [](const Entry &entry) {
                return std::vector<VARIANT>{BstrArg(entry.name), DateArg(entry.TimeOfDay())};
            }};
}

LateCall DictionaryStore::Find() {
    return {"Dictionary.Item", item_, DISPATCH_METHOD | DISPATCH_PROPERTYGET, NameArgument,
            VT_DATE};
}

LateCall DictionaryStore::Remove() {
    return {"Dictionary.Remove", remove_, DISPATCH_METHOD, NameArgument};
}

void DictionaryStore::Put(const Entry &entry) {
    VARIANT key = BorrowedKey(entry);
    VARIANT item = DateArg(entry.TimeOfDay());
    Check(vtable_->lpVtbl->Add(vtable_, &key, &item), "IDictionary::Add");
}

void DictionaryStore::Drop(const Entry &entry) {
    VARIANT key = BorrowedKey(entry);
    Check(vtable_->lpVtbl->Remove(vtable_, &key), "IDictionary::Remove");
}

void DictionaryStore::Snapshot(VARIANT *out) {
    Get(object_.Get(), items_, out, "Dictionary.Items");
}

std::size_t DictionaryStore::Walk(VARIANT *snapshot) {
    Require(V_VT(snapshot) == (VT_ARRAY | VT_VARIANT), "Items() gave no array of variants");
    SAFEARRAY *items = V_ARRAY(snapshot);
    LONG first = 0, last = -1;
    Check(SafeArrayGetLBound(items, 1, &first), "SafeArrayGetLBound");
    Check(SafeArrayGetUBound(items, 1, &last), "SafeArrayGetUBound");
    // One element at a time, each copied out and cleared, as For Each over an array does.
    for (LONG at = first; at <= last; ++at) {
        VARIANT item;
        VariantInit(&item);
        Check(SafeArrayGetElement(items, &at, &item), "SafeArrayGetElement");
        VariantClear(&item);
    }
    return static_cast<std::size_t>(last - first + 1);
}

} // namespace combench
