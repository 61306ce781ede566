// The object GetSchedules returns: the Automation runtime's Collection contract (_Collection,
// its dispatch ids, For Each through _NewEnum). It reads the control's snapshot, which shares
// the list's store, until it is first changed; from then on it holds a quorvane::Collection of
// its own. Its IDispatch needs no type library: Item is the default member.
#pragma once

#include "com_object.h"
#include "quorvane_idl.h"
#include "schedule_snapshot.h"
#include "variant.h"

#include <memory>
#include <optional>

namespace quorvane::server {

class CollectionObject final : public ComObject<CollectionObject, _Collection, ISupportErrorInfo> {
public:
    // A new object with one reference over `snapshot`.
    static IDispatch *Create(ScheduleSnapshot snapshot);

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID lcid,
                                            DISPID *ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep,
                                     UINT *arg_err) override;

    HRESULT STDMETHODCALLTYPE Item(VARIANT *Index, VARIANT *result) override;
    HRESULT STDMETHODCALLTYPE Add(VARIANT *Item, VARIANT *Key, VARIANT *Before,
                                  VARIANT *After) override;
    HRESULT STDMETHODCALLTYPE Count(LONG *count) override;
    HRESULT STDMETHODCALLTYPE Remove(VARIANT *Index) override;
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown **enumerator) override;

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    void *Find(REFIID iid);

private:
    explicit CollectionObject(ScheduleSnapshot snapshot);

    // The items, to be changed: copied out of the snapshot at the first change, and copied
    // again if a For Each still walks them, so that a walk sees the items as they were when it
    // began without copying them when it begins.
    Collection<Variant> &Changing();

    std::optional<ScheduleSnapshot> snapshot_;   // until the first change
    std::shared_ptr<Collection<Variant>> items_; // from the first change on
};

} // namespace quorvane::server
