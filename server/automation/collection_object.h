// The object GetSchedules returns: the Automation runtime's Collection contract (_Collection,
// its dispatch ids, For Each through _NewEnum) over quorvane::Collection. Its IDispatch needs
// no type library: Item is the default member.
#pragma once

#include "com_object.h"
#include "quorvane_idl.h"
#include "variant.h"

#include <memory>

namespace quorvane::server {

class CollectionObject final : public ComObject<CollectionObject, _Collection, ISupportErrorInfo> {
public:
    // A new object with one reference that holds `items`.
    static IDispatch *Create(Collection<Variant> items);

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
    explicit CollectionObject(Collection<Variant> items);

    // The items, to be changed: copied first if a For Each still walks them, so that a walk
    // sees the items as they were when it began without copying them when it begins.
    Collection<Variant> &Changing();

    std::shared_ptr<Collection<Variant>> items_;
};

} // namespace quorvane::server
