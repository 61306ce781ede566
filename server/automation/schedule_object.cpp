#include "schedule_object.h"

#include "collection_object.h"
#include "dispatch_table.h"
#include "dispids.h"
#include "enumerator.h"
#include "error_info.h"
#include "type_info.h"
#include "variant.h"

using Microsoft::WRL::ComPtr;

namespace quorvane::server {

namespace {

struct PointRef {
    ComPtr<IConnectionPoint> point;
    void CopyTo(IConnectionPoint **out) const {
        *out = point.Get();
        (*out)->AddRef();
    }
};
using PointEnum = Enumerator<IEnumConnectionPoints, IConnectionPoint *,
                             CopiedItems<IConnectionPoint *, PointRef>>;

std::int32_t Optional(const LONG *value) {
    return value ? *value : 0;
}

// What each dispatch id of _Schedule calls: the members of the vtable, with arguments that
// the dispatch table has already coerced into storage of the call's own.
ScheduleObject &Self(void *object) {
    return *static_cast<ScheduleObject *>(object);
}

constexpr Param kAddParams[] = {
    {nullptr, ArgKind::String},     {nullptr, ArgKind::Long},       {nullptr, ArgKind::Long, true},
    {nullptr, ArgKind::Long, true}, {nullptr, ArgKind::Long, true}, {nullptr, ArgKind::Long, true},
    {nullptr, ArgKind::Long, true}, {nullptr, ArgKind::Long, true}, {nullptr, ArgKind::Long, true}};
constexpr Param kName[] = {{nullptr, ArgKind::String}};
constexpr Param kLongValue[] = {{nullptr, ArgKind::Long}};
constexpr Param kShortValue[] = {{nullptr, ArgKind::Short}};

HRESULT CallAddSchedule(void *object, Arguments &args, VARIANT *) {
    BSTR index = args.String(0);
    auto ty = static_cast<::schDateType>(args.Long(1));
    LONG numbers[7];
    for (std::size_t at = 0; at < 7; ++at)
        numbers[at] = args.Long(2 + at);
    return Self(object).AddSchedule(&index, &ty, &numbers[0], &numbers[1], &numbers[2], &numbers[3],
                                    &numbers[4], &numbers[5], &numbers[6]);
}

HRESULT CallRemoveSchedule(void *object, Arguments &args, VARIANT *) {
    BSTR key = args.String(0);
    return Self(object).RemoveSchedule(&key);
}

HRESULT CallRemoveAllSchedule(void *object, Arguments &, VARIANT *) {
    return Self(object).RemoveAllSchedule();
}

// A property read whose result has the type `type`; `*result` is only typed on success.
HRESULT Typed(VARIANT *result, VARTYPE type, HRESULT hr) {
    if (SUCCEEDED(hr))
        V_VT(result) = type;
    return hr;
}

HRESULT GetTimerInterVal(void *object, Arguments &, VARIANT *result) {
    return Typed(result, VT_I4, Self(object).get_TimerInterVal(&V_I4(result)));
}

HRESULT PutTimerInterVal(void *object, Arguments &args, VARIANT *) {
    return Self(object).put_TimerInterVal(args.Long(0));
}

HRESULT GetGetSchedules(void *object, Arguments &, VARIANT *result) {
    return Typed(result, VT_DISPATCH, Self(object).get_GetSchedules(&V_DISPATCH(result)));
}

HRESULT GetNextTime(void *object, Arguments &args, VARIANT *result) {
    BSTR name = args.String(0);
    return Typed(result, VT_DATE, Self(object).get_NextTime(&name, &V_DATE(result)));
}

HRESULT GetInterval(void *object, Arguments &, VARIANT *result) {
    return Typed(result, VT_I2, Self(object).get_Interval(&V_I2(result)));
}

HRESULT PutInterval(void *object, Arguments &args, VARIANT *) {
    return Self(object).put_Interval(args.Short(0));
}

// Names come from the type library (GetIDsOfNames), so the table carries none.
constexpr Member kMembers[] = {
    {nullptr, DISPID_SCHEDULE_ADDSCHEDULE, DISPATCH_METHOD, kAddParams, CallAddSchedule},
    {nullptr, DISPID_SCHEDULE_REMOVESCHEDULE, DISPATCH_METHOD, kName, CallRemoveSchedule},
    {nullptr, DISPID_SCHEDULE_REMOVEALLSCHEDULE, DISPATCH_METHOD, {}, CallRemoveAllSchedule},
    {nullptr, DISPID_SCHEDULE_TIMERINTERVAL, DISPATCH_PROPERTYGET, {}, GetTimerInterVal},
    {nullptr, DISPID_SCHEDULE_TIMERINTERVAL, DISPATCH_PROPERTYPUT, kLongValue, PutTimerInterVal},
    {nullptr, DISPID_SCHEDULE_GETSCHEDULES, DISPATCH_PROPERTYGET, {}, GetGetSchedules},
    {nullptr, DISPID_SCHEDULE_NEXTTIME, DISPATCH_PROPERTYGET, kName, GetNextTime},
    {nullptr, DISPID_SCHEDULE_INTERVAL, DISPATCH_PROPERTYGET, {}, GetInterval},
    {nullptr, DISPID_SCHEDULE_INTERVAL, DISPATCH_PROPERTYPUT, kShortValue, PutInterval}};

} // namespace

HRESULT ScheduleObject::Create(IUnknown *outer, REFIID iid, void **out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer && iid != IID_IUnknown)
        return CLASS_E_NOAGGREGATION;
    ComPtr<ITypeInfo> info;
    HRESULT hr = ScheduleTypeInfo(info);
    if (FAILED(hr))
        return hr;
    ScheduleObject *object;
    try {
        object = new ScheduleObject(outer, std::move(info));
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    hr = object->Inner()->QueryInterface(iid, out);
    object->Inner()->Release();
    return hr;
}

ScheduleObject::ScheduleObject(IUnknown *outer, ComPtr<ITypeInfo> info)
    : ComObject(outer), info_(std::move(info)), timer_(*this), events_(*this, DIID___Schedule),
      control_(clock_, timer_, events_),
      embedding_(*static_cast<_Schedule *>(this), *this, control_, *info_.Get()) {}

void *ScheduleObject::Find(REFIID iid) {
    if (iid == IID_IDispatch || iid == IID__Schedule)
        return static_cast<_Schedule *>(this);
    if (iid == IID_ISupportErrorInfo)
        return static_cast<ISupportErrorInfo *>(this);
    if (iid == IID_IConnectionPointContainer)
        return static_cast<IConnectionPointContainer *>(this);
    return embedding_.Find(iid);
}

void ScheduleObject::Tick() {
    try {
        control_.Timer1_Timer();
    } catch (...) {
        // A failing pass ends the tick; there is no caller to report it to. What it could not
        // raise (memory was short) stays due, and the next tick tries again.
    }
    LetGo();
}

HRESULT ScheduleObject::GetTypeInfoCount(UINT *count) {
    return Boundary([&]() -> HRESULT {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    });
}

HRESULT ScheduleObject::GetTypeInfo(UINT index, LCID, ITypeInfo **info) {
    return Boundary([&]() -> HRESULT {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        return info_.CopyTo(info);
    });
}

HRESULT ScheduleObject::GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *ids) {
    return Boundary([&] { return info_->GetIDsOfNames(names, count, ids); });
}

HRESULT ScheduleObject::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS *params,
                               VARIANT *result, EXCEPINFO *excep, UINT *arg_err) {
    return Boundary([&]() -> HRESULT {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        return InvokeMember(kMembers, this, member, flags, params, result, excep, arg_err);
    });
}

HRESULT ScheduleObject::AddSchedule(BSTR *index, ::schDateType *ty, LONG *yr, LONG *mon, LONG *wk,
                                    LONG *dy, LONG *hr, LONG *min, LONG *sec) {
    return Guarded(IID__Schedule, [&]() -> HRESULT {
        if (!index || !ty)
            return E_POINTER;
        control_.AddSchedule(ViewOf(*index), *ty, Optional(yr), Optional(mon), Optional(wk),
                             Optional(dy), Optional(hr), Optional(min), Optional(sec));
        return S_OK;
    });
}

HRESULT ScheduleObject::RemoveSchedule(BSTR *key) {
    return Guarded(IID__Schedule, [&]() -> HRESULT {
        if (!key)
            return E_POINTER;
        control_.RemoveSchedule(ViewOf(*key));
        return S_OK;
    });
}

HRESULT ScheduleObject::RemoveAllSchedule() {
    return Guarded(IID__Schedule, [&] { control_.RemoveAllSchedule(); });
}

HRESULT ScheduleObject::get_TimerInterVal(LONG *value) {
    return Guarded(IID__Schedule, [&]() -> HRESULT {
        if (!value)
            return E_POINTER;
        *value = control_.TimerInterVal();
        return S_OK;
    });
}

HRESULT ScheduleObject::put_TimerInterVal(LONG vNewValue) {
    return Guarded(IID__Schedule, [&] { control_.SetTimerInterVal(vNewValue); });
}

HRESULT ScheduleObject::get_GetSchedules(IDispatch **schedules) {
    return Guarded(IID__Schedule, [&]() -> HRESULT {
        if (!schedules)
            return E_POINTER;
        *schedules = nullptr;
        *schedules = CollectionObject::Create(control_.Snapshot());
        return S_OK;
    });
}

HRESULT ScheduleObject::get_NextTime(BSTR *ScheduleName, DATE *value) {
    return Guarded(IID__Schedule, [&]() -> HRESULT {
        if (!ScheduleName || !value)
            return E_POINTER;
        *value = control_.NextTime(ViewOf(*ScheduleName));
        return S_OK;
    });
}

HRESULT ScheduleObject::get_Interval(short *value) {
    return Guarded(IID__Schedule, [&]() -> HRESULT {
        if (!value)
            return E_POINTER;
        *value = control_.Interval();
        return S_OK;
    });
}

HRESULT ScheduleObject::put_Interval(short vNewValue) {
    return Guarded(IID__Schedule, [&] { control_.SetInterval(vNewValue); });
}

HRESULT ScheduleObject::InterfaceSupportsErrorInfo(REFIID iid) {
    // Invoke sets error information as well as the vtable does.
    return Boundary([&] { return iid == IID__Schedule || iid == IID_IDispatch ? S_OK : S_FALSE; });
}

HRESULT ScheduleObject::EnumConnectionPoints(IEnumConnectionPoints **out) {
    return Boundary([&]() -> HRESULT {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        *out = PointEnum::Create(std::vector<PointRef>{PointRef{&events_}});
        return S_OK;
    });
}

HRESULT ScheduleObject::FindConnectionPoint(REFIID iid, IConnectionPoint **out) {
    return Boundary([&]() -> HRESULT {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid != DIID___Schedule)
            return CONNECT_E_NOCONNECTION;
        *out = &events_;
        events_.AddRef();
        return S_OK;
    });
}

} // namespace quorvane::server
