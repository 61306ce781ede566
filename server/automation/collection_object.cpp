#include "collection_object.h"

#include "enumerator.h"
#include "error_info.h"

#include <iterator>

namespace quorvane::server {

namespace {

enum : DISPID { kItem = DISPID_VALUE, kAdd = 1, kCount = 2, kRemove = 3 };

struct Member {
    const wchar_t *name;
    DISPID id;
};
constexpr Member kMembers[] = {{L"Item", kItem},
                               {L"Add", kAdd},
                               {L"Count", kCount},
                               {L"Remove", kRemove},
                               {L"_NewEnum", DISPID_NEWENUM}};

using VariantEnum = Enumerator<IEnumVARIANT, VARIANT, Variant>;

std::optional<CollectionIndex> OptionalIndex(const VARIANT *argument) {
    if (IsMissing(argument))
        return std::nullopt;
    return ToIndex(*argument);
}

} // namespace

IDispatch *CollectionObject::Create(Collection<Variant> items) {
    return static_cast<_Collection *>(new CollectionObject(std::move(items)));
}

void *CollectionObject::Find(REFIID iid) {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__Collection)
        return static_cast<_Collection *>(this);
    if (iid == IID_ISupportErrorInfo)
        return static_cast<ISupportErrorInfo *>(this);
    return nullptr;
}

HRESULT CollectionObject::InterfaceSupportsErrorInfo(REFIID iid) {
    return iid == IID__Collection ? S_OK : S_FALSE;
}

HRESULT CollectionObject::GetTypeInfoCount(UINT *count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CollectionObject::GetTypeInfo(UINT, LCID, ITypeInfo **info) {
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT CollectionObject::GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *ids) {
    if (!names || !ids)
        return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        // Only members have names; their arguments are passed by position.
        if (i == 0)
            for (const Member &member : kMembers)
                if (names[0] && _wcsicmp(names[0], member.name) == 0)
                    ids[0] = member.id;
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT CollectionObject::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS *params,
                                 VARIANT *result, EXCEPINFO *excep, UINT *) {
    if (!params)
        return E_INVALIDARG;
    if (params->cNamedArgs)
        return DISP_E_NONAMEDARGS;
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)))
        return DISP_E_MEMBERNOTFOUND;
    const UINT given = params->cArgs;
    VARIANT missing;
    V_VT(&missing) = VT_ERROR;
    V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
    auto arg = [&](UINT k) { return k < given ? &params->rgvarg[given - 1 - k] : &missing; };
    VARIANT ignored;
    VariantInit(&ignored);
    VARIANT *out = result ? result : &ignored;

    HRESULT hr = DISP_E_BADPARAMCOUNT;
    switch (member) {
    case kItem:
        if (given == 1)
            hr = Item(arg(0), out);
        break;
    case kAdd:
        if (given >= 1 && given <= 4)
            hr = Add(arg(0), arg(1), arg(2), arg(3));
        break;
    case kCount:
        if (given == 0) {
            LONG count = 0;
            hr = Count(&count);
            V_VT(out) = VT_I4;
            V_I4(out) = count;
        }
        break;
    case kRemove:
        if (given == 1)
            hr = Remove(arg(0));
        break;
    case DISPID_NEWENUM:
        if (given == 0) {
            IUnknown *enumerator = nullptr;
            hr = _NewEnum(&enumerator);
            V_VT(out) = VT_UNKNOWN;
            V_UNKNOWN(out) = enumerator;
        }
        break;
    default:
        hr = DISP_E_MEMBERNOTFOUND;
    }
    VariantClear(&ignored);
    return ExceptionFromErrorInfo(hr, excep);
}

HRESULT CollectionObject::Item(VARIANT *Index, VARIANT *result) {
    if (!Index || !result)
        return E_POINTER;
    return Guarded(IID__Collection, [&] { items_.ItemAt(ToIndex(*Index)).CopyTo(result); });
}

HRESULT CollectionObject::Add(VARIANT *Item, VARIANT *Key, VARIANT *Before, VARIANT *After) {
    if (!Item)
        return E_POINTER;
    return Guarded(IID__Collection, [&] {
        std::optional<std::u16string> key;
        if (!IsMissing(Key))
            key = ToString(*Key);
        items_.Add(Variant(*Item), std::move(key), OptionalIndex(Before), OptionalIndex(After));
    });
}

HRESULT CollectionObject::Count(LONG *count) {
    if (!count)
        return E_POINTER;
    *count = items_.Count();
    return S_OK;
}

HRESULT CollectionObject::Remove(VARIANT *Index) {
    if (!Index)
        return E_POINTER;
    return Guarded(IID__Collection, [&] { items_.Remove(ToIndex(*Index)); });
}

HRESULT CollectionObject::_NewEnum(IUnknown **enumerator) {
    if (!enumerator)
        return E_POINTER;
    *enumerator = nullptr;
    return Guarded(IID__Collection, [&] {
        std::vector<Variant> items;
        items.reserve(static_cast<std::size_t>(items_.Count()));
        for (std::size_t at = 0; at < static_cast<std::size_t>(items_.Count()); ++at)
            items.push_back(items_[at]);
        *enumerator = VariantEnum::Create(std::move(items));
    });
}

} // namespace quorvane::server
