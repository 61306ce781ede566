#include "embedding.h"

namespace quorvane::server {

Embedding::Embedding(IUnknown &owner, Holdable &holder, Schedule &control, ITypeInfo &info)
    : site_(owner, holder, view_), view_(owner, site_), ole_object_(owner, site_, view_, control),
      in_place_(owner, site_), persistence_(owner, control), class_info_(owner, info) {}

void *Embedding::Find(REFIID iid) {
    if (iid == IID_IOleObject)
        return static_cast<IOleObject *>(&ole_object_);
    if (iid == IID_IOleControl)
        return static_cast<IOleControl *>(&ole_object_);
    if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject ||
        iid == IID_IOleInPlaceObjectWindowless)
        return static_cast<IOleInPlaceObjectWindowless *>(&in_place_);
    if (iid == IID_IOleInPlaceActiveObject)
        return static_cast<IOleInPlaceActiveObject *>(&in_place_);
    if (iid == IID_IViewObject || iid == IID_IViewObject2)
        return static_cast<IViewObject2 *>(&view_);
    if (iid == IID_IPersist || iid == IID_IPersistStreamInit)
        return static_cast<IPersistStreamInit *>(&persistence_);
    if (iid == IID_IPersistPropertyBag)
        return static_cast<IPersistPropertyBag *>(&persistence_);
    if (iid == IID_IPersistStorage)
        return static_cast<IPersistStorage *>(&persistence_);
    if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
        return static_cast<IProvideClassInfo2 *>(&class_info_);
    return nullptr;
}

} // namespace quorvane::server
