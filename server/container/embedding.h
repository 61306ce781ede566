// What a container expects of the control besides its Automation interface, its connection
// point and its error information: the OLE embedding and in-place interfaces, its view,
// persistence and class information, all parts of the one COM object.
#pragma once

#include "class_info.h"
#include "control_site.h"
#include "in_place.h"
#include "ole_object.h"
#include "persistence.h"
#include "view_object.h"

namespace quorvane::server {

class Embedding {
public:
    // `owner` is the control's COM object, held through `holder` by code that reaches it by a
    // pointer of its own; `info` is an interface of its type library.
    Embedding(IUnknown &owner, Holdable &holder, Schedule &control, ITypeInfo &info);
    Embedding(const Embedding &) = delete;
    Embedding &operator=(const Embedding &) = delete;

    // The part that answers for `iid`, or null.
    void *Find(REFIID iid);

private:
    ControlSite site_;
    ViewObject view_;
    OleObject ole_object_;
    InPlaceObject in_place_;
    Persistence persistence_;
    ClassInfo class_info_;
};

} // namespace quorvane::server
