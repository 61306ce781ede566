// The control Schedule as a store: each entry a daily alarm at its time of day.
#pragma once

#include "quorvane_idl.h"
#include "store.h"

#include <wrl/client.h>

namespace combench {

class ScheduleStore final : public Store {
public:
    ScheduleStore();

    IDispatch *Object() override { return object_.Get(); }
    // AddSchedule name, 0, 0, 0, 0, 0, hr, min, sec: all nine arguments, as a script passes them.
    LateCall Add() override;
    LateCall Find() override;
    LateCall Remove() override;
    void Put(const Entry &entry) override;
    void Drop(const Entry &entry) override;
    // GetSchedules: a collection of every entry's next due moment, walked by For Each.
    void Snapshot(VARIANT *out) override;
    std::size_t Walk(VARIANT *snapshot) override;

private:
    Microsoft::WRL::ComPtr<IDispatch> object_;
    Microsoft::WRL::ComPtr<_Schedule> vtable_;
    DISPID add_, next_time_, remove_, get_schedules_;
};

} // namespace combench
