#include "persistence.h"

#include "quorvane_idl.h"

namespace quorvane::server {

namespace {
// The interval that a new control starts with.
constexpr std::int32_t kNewInterval = 60000;
} // namespace

HRESULT Persistence::Fresh() {
    control_.RemoveAllSchedule(); // switches the timer off
    control_.SetTimerInterVal(kNewInterval);
    return S_OK;
}

HRESULT Persistence::GetClassID(CLSID *clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_Schedule;
    return S_OK;
}

HRESULT Persistence::IsDirty() {
    return S_FALSE;
}

HRESULT Persistence::InitNew() {
    return Fresh();
}

HRESULT Persistence::Load(IStream *stream) {
    return stream ? Fresh() : E_POINTER;
}

HRESULT Persistence::Save(IStream *stream, BOOL) {
    return stream ? S_OK : E_POINTER;
}

HRESULT Persistence::GetSizeMax(ULARGE_INTEGER *size) {
    if (!size)
        return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

HRESULT Persistence::Load(IPropertyBag *bag, IErrorLog *) {
    return bag ? Fresh() : E_POINTER;
}

HRESULT Persistence::Save(IPropertyBag *bag, BOOL, BOOL) {
    return bag ? S_OK : E_POINTER;
}

HRESULT Persistence::InitNew(IStorage *storage) {
    return storage ? Fresh() : E_POINTER;
}

HRESULT Persistence::Load(IStorage *storage) {
    return storage ? Fresh() : E_POINTER;
}

HRESULT Persistence::Save(IStorage *storage, BOOL) {
    return storage ? S_OK : E_POINTER;
}

// The control never holds on to a storage.
HRESULT Persistence::SaveCompleted(IStorage *) {
    return S_OK;
}

HRESULT Persistence::HandsOffStorage() {
    return S_OK;
}

} // namespace quorvane::server
