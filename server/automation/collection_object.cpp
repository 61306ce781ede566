#include "collection_object.h"

#include "dispatch_table.h"
#include "enumerator.h"
#include "error_info.h"

#include <iterator>

namespace quorvane::server {

namespace {

CollectionObject &Self(void *object) {
    return *static_cast<CollectionObject *>(object);
}

constexpr Param kIndex[] = {{L"Index", ArgKind::Variant}};
constexpr Param kAddParams[] = {{L"Item", ArgKind::Variant},
                                {L"Key", ArgKind::Variant, true},
                                {L"Before", ArgKind::Variant, true},
                                {L"After", ArgKind::Variant, true}};

HRESULT CallItem(void *object, Arguments &args, VARIANT *result) {
    return Self(object).Item(args.Variant(0), result);
}

HRESULT CallAdd(void *object, Arguments &args, VARIANT *) {
    return Self(object).Add(args.Variant(0), args.Variant(1), args.Variant(2), args.Variant(3));
}

HRESULT CallCount(void *object, Arguments &, VARIANT *result) {
    const HRESULT hr = Self(object).Count(&V_I4(result));
    if (SUCCEEDED(hr))
        V_VT(result) = VT_I4;
    return hr;
}

HRESULT CallRemove(void *object, Arguments &args, VARIANT *) {
    return Self(object).Remove(args.Variant(0));
}

HRESULT CallNewEnum(void *object, Arguments &, VARIANT *result) {
    const HRESULT hr = Self(object)._NewEnum(&V_UNKNOWN(result));
    if (SUCCEEDED(hr))
        V_VT(result) = VT_UNKNOWN;
    return hr;
}

// The runtime's Collection: Item is the default member.
constexpr Member kMembers[] = {
    {L"Item", DISPID_VALUE, DISPATCH_PROPERTYGET, kIndex, CallItem},
    {L"Add", 1, DISPATCH_METHOD, kAddParams, CallAdd},
    {L"Count", 2, DISPATCH_PROPERTYGET, {}, CallCount},
    {L"Remove", 3, DISPATCH_METHOD, kIndex, CallRemove},
    {L"_NewEnum", DISPID_NEWENUM, DISPATCH_PROPERTYGET, {}, CallNewEnum}};

// A For Each over the items shared with the collection object, which copies them before it
// changes them while they are shared.
class SharedItems {
public:
    explicit SharedItems(std::shared_ptr<const Collection<Variant>> items)
        : items_(std::move(items)) {}

    bool CopyNext(VARIANT *out) {
        Collection<Variant>::Place next = place_;
        const Variant *item = items_->Next(next);
        if (!item)
            return false;
        item->CopyTo(out);
        place_ = next;
        return true;
    }
    bool Advance() { return items_->Next(place_) != nullptr; }
    void Rewind() { place_ = {}; }

private:
    std::shared_ptr<const Collection<Variant>> items_;
    Collection<Variant>::Place place_;
};
using VariantEnum = Enumerator<IEnumVARIANT, VARIANT, SharedItems>;

// A For Each over a snapshot that no change has reached: each moment made a date as it goes.
class SnapshotDates {
public:
    explicit SnapshotDates(const ScheduleSnapshot &snapshot) : walk_(snapshot) {}

    bool CopyNext(VARIANT *out) {
        Moment due;
        if (!walk_.Next(&due))
            return false;
        V_VT(out) = VT_DATE;
        V_DATE(out) = ToOleDate(due);
        return true;
    }
    bool Advance() {
        Moment due;
        return walk_.Next(&due);
    }
    void Rewind() { walk_.Rewind(); }

private:
    ScheduleSnapshot::Walk walk_;
};
using SnapshotEnum = Enumerator<IEnumVARIANT, VARIANT, SnapshotDates>;

Variant DateOf(Moment due) {
    return Variant::Date(ToOleDate(due));
}

std::optional<CollectionIndex> OptionalIndex(const VARIANT *argument) {
    if (IsMissing(argument))
        return std::nullopt;
    return ToIndex(*argument);
}

} // namespace

IDispatch *CollectionObject::Create(ScheduleSnapshot snapshot) {
    return static_cast<_Collection *>(new CollectionObject(std::move(snapshot)));
}

CollectionObject::CollectionObject(ScheduleSnapshot snapshot) : snapshot_(std::move(snapshot)) {}

Collection<Variant> &CollectionObject::Changing() {
    if (!items_) {
        items_ = std::make_shared<Collection<Variant>>(snapshot_->CopyOf<Variant>(DateOf));
        snapshot_.reset(); // a For Each still walking it holds the list's store itself
    } else if (items_.use_count() > 1) {
        items_ = std::make_shared<Collection<Variant>>(*items_);
    }
    return *items_;
}

void *CollectionObject::Find(REFIID iid) {
    if (iid == IID_IDispatch || iid == IID__Collection)
        return static_cast<_Collection *>(this);
    if (iid == IID_ISupportErrorInfo)
        return static_cast<ISupportErrorInfo *>(this);
    return nullptr;
}

HRESULT CollectionObject::InterfaceSupportsErrorInfo(REFIID iid) {
    // Invoke sets error information as well as the vtable does.
    return Boundary(
        [&] { return iid == IID__Collection || iid == IID_IDispatch ? S_OK : S_FALSE; });
}

HRESULT CollectionObject::GetTypeInfoCount(UINT *count) {
    return Boundary([&]() -> HRESULT {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    });
}

HRESULT CollectionObject::GetTypeInfo(UINT, LCID, ITypeInfo **info) {
    return Boundary([&]() -> HRESULT {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    });
}

HRESULT CollectionObject::GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *ids) {
    return Boundary([&] { return IdsOfNames(kMembers, names, count, ids); });
}

HRESULT CollectionObject::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS *params,
                                 VARIANT *result, EXCEPINFO *excep, UINT *arg_err) {
    return Boundary([&]() -> HRESULT {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        return InvokeMember(kMembers, this, member, flags, params, result, excep, arg_err);
    });
}

// Each member converts its arguments before it touches the items: converting an object runs
// the caller's code (its default value), which may change this collection, begin or end a
// walk of it, and so replace or free the items a member had already taken.

HRESULT CollectionObject::Item(VARIANT *Index, VARIANT *result) {
    return Guarded(IID__Collection, [&]() -> HRESULT {
        if (result)
            VariantInit(result);
        if (!Index || !result)
            return E_POINTER;
        const CollectionIndex index = ToIndex(*Index);
        if (items_)
            items_->ItemAt(index).CopyTo(result);
        else
            DateOf(snapshot_->ItemAt(index)).CopyTo(result);
        return S_OK;
    });
}

HRESULT CollectionObject::Add(VARIANT *Item, VARIANT *Key, VARIANT *Before, VARIANT *After) {
    return Guarded(IID__Collection, [&]() -> HRESULT {
        if (!Item)
            return E_POINTER;
        Variant item(*Item);
        std::optional<std::u16string> key;
        if (!IsMissing(Key))
            key = ToString(*Key);
        const std::optional<CollectionIndex> before = OptionalIndex(Before);
        const std::optional<CollectionIndex> after = OptionalIndex(After);
        Changing().Add(std::move(item), std::move(key), before, after);
        return S_OK;
    });
}

HRESULT CollectionObject::Count(LONG *count) {
    return Boundary([&]() -> HRESULT {
        if (!count)
            return E_POINTER;
        *count = items_ ? items_->Count() : snapshot_->Count();
        return S_OK;
    });
}

HRESULT CollectionObject::Remove(VARIANT *Index) {
    return Guarded(IID__Collection, [&]() -> HRESULT {
        if (!Index)
            return E_POINTER;
        const CollectionIndex index = ToIndex(*Index);
        // Released here, once the items are whole again: its owner's code may run.
        const Variant removed = Changing().Remove(index);
        return S_OK;
    });
}

HRESULT CollectionObject::_NewEnum(IUnknown **enumerator) {
    return Guarded(IID__Collection, [&]() -> HRESULT {
        if (!enumerator)
            return E_POINTER;
        *enumerator = nullptr;
        if (items_)
            *enumerator = VariantEnum::Create(SharedItems(items_));
        else
            *enumerator = SnapshotEnum::Create(SnapshotDates(*snapshot_));
        return S_OK;
    });
}

} // namespace quorvane::server
