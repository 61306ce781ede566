#include "schedule_store.h"

#include "dispatch.h"
#include "harness.h"

namespace combench {

ScheduleStore::ScheduleStore() {
    CLSID clsid;
    Check(CLSIDFromProgID(L"Quorvane.Schedule", &clsid), "CLSIDFromProgID Quorvane.Schedule");
    Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object_)),
          "CoCreateInstance Quorvane.Schedule");
    Check(object_.As(&vtable_), "_Schedule");
    add_ = DispIdOf(object_.Get(), L"AddSchedule");
    next_time_ = DispIdOf(object_.Get(), L"NextTime");
    remove_ = DispIdOf(object_.Get(), L"RemoveSchedule");
    get_schedules_ = DispIdOf(object_.Get(), L"GetSchedules");
}

LateCall ScheduleStore::Add() {
    return {"AddSchedule", add_, DISPATCH_METHOD, [](const Entry &entry) {
                return std::vector<VARIANT>{BstrArg(entry.name),
                                            LongArg(schEveryDay),
                                            LongArg(0),
                                            LongArg(0),
                                            LongArg(0),
                                            LongArg(0),
                                            LongArg(entry.Hour()),
                                            LongArg(entry.Minute()),
                                            LongArg(entry.Second())};
            }};
}

LateCall ScheduleStore::Find() {
    return {"NextTime", next_time_, DISPATCH_METHOD | DISPATCH_PROPERTYGET, NameArgument, VT_DATE};
}

LateCall ScheduleStore::Remove() {
    return {"RemoveSchedule", remove_, DISPATCH_METHOD, NameArgument};
}

void ScheduleStore::Put(const Entry &entry) {
    BSTR name = entry.name;
    schDateType ty = schEveryDay;
    LONG none = 0, hr = entry.Hour(), min = entry.Minute(), sec = entry.Second();
    Check(vtable_->AddSchedule(&name, &ty, &none, &none, &none, &none, &hr, &min, &sec),
          "_Schedule::AddSchedule");
}

void ScheduleStore::Drop(const Entry &entry) {
    BSTR name = entry.name;
    Check(vtable_->RemoveSchedule(&name), "_Schedule::RemoveSchedule");
}

void ScheduleStore::Snapshot(VARIANT *out) {
    Get(object_.Get(), get_schedules_, out, "GetSchedules");
}

std::size_t ScheduleStore::Walk(VARIANT *snapshot) {
    Require(V_VT(snapshot) == VT_DISPATCH && V_DISPATCH(snapshot),
            "GetSchedules gave no collection");
    return ForEach(V_DISPATCH(snapshot));
}

} // namespace combench
