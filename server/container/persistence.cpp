#include "persistence.h"

#include "quorvane_idl.h"

namespace quorvane::server {

namespace {
// The interval that a new control starts with.
constexpr std::int32_t kNewInterval = 60000;
} // namespace

HRESULT Persistence::Fresh() {
    control_.Reset(kNewInterval); // all or nothing: a failure leaves the control as it was
    return S_OK;
}

HRESULT Persistence::GetClassID(CLSID *clsid) {
    return Boundary([&]() -> HRESULT {
        if (!clsid)
            return E_POINTER;
        *clsid = CLSID_Schedule;
        return S_OK;
    });
}

HRESULT Persistence::IsDirty() {
    return Boundary([&]() -> HRESULT { return S_FALSE; });
}

HRESULT Persistence::InitNew() {
    return Boundary([&]() -> HRESULT { return Fresh(); });
}

HRESULT Persistence::Load(IStream *stream) {
    return Boundary([&]() -> HRESULT { return stream ? Fresh() : E_POINTER; });
}

HRESULT Persistence::Save(IStream *stream, BOOL) {
    return Boundary([&]() -> HRESULT { return stream ? S_OK : E_POINTER; });
}

HRESULT Persistence::GetSizeMax(ULARGE_INTEGER *size) {
    return Boundary([&]() -> HRESULT {
        if (!size)
            return E_POINTER;
        size->QuadPart = 0;
        return S_OK;
    });
}

HRESULT Persistence::Load(IPropertyBag *bag, IErrorLog *) {
    return Boundary([&]() -> HRESULT { return bag ? Fresh() : E_POINTER; });
}

HRESULT Persistence::Save(IPropertyBag *bag, BOOL, BOOL) {
    return Boundary([&]() -> HRESULT { return bag ? S_OK : E_POINTER; });
}

HRESULT Persistence::InitNew(IStorage *storage) {
    return Boundary([&]() -> HRESULT { return storage ? Fresh() : E_POINTER; });
}

HRESULT Persistence::Load(IStorage *storage) {
    return Boundary([&]() -> HRESULT { return storage ? Fresh() : E_POINTER; });
}

HRESULT Persistence::Save(IStorage *storage, BOOL) {
    return Boundary([&]() -> HRESULT { return storage ? S_OK : E_POINTER; });
}

// The control never holds on to a storage.
HRESULT Persistence::SaveCompleted(IStorage *) {
    return Boundary([&]() -> HRESULT { return S_OK; });
}

HRESULT Persistence::HandsOffStorage() {
    return Boundary([&]() -> HRESULT { return S_OK; });
}

} // namespace quorvane::server
