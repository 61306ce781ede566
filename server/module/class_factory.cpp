#include "class_factory.h"

#include "schedule_object.h"

namespace quorvane::server {

void *ClassFactory::Find(REFIID iid) {
    if (iid == IID_IClassFactory)
        return static_cast<IClassFactory *>(this);
    return nullptr;
}

HRESULT ClassFactory::CreateInstance(IUnknown *outer, REFIID iid, void **out) {
    return Boundary([&]() -> HRESULT {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return ScheduleObject::Create(outer, iid, out);
    });
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    return Boundary([&]() -> HRESULT {
        // Only a lock this process took can be let go: an unmatched FALSE must not leave the
        // count owing locks that objects still hold.
        if (lock)
            TakeServerLock();
        else
            DropServerLock();
        return S_OK;
    });
}

} // namespace quorvane::server
