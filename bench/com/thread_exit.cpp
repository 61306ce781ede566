#include "thread_exit.h"

#include "harness.h"
#include "quorvane_idl.h"

#include <wrl/client.h>

#include <vector>

using Microsoft::WRL::ComPtr;

namespace combench {

namespace {

DWORD WINAPI EndAtOnce(void *) {
    return 0;
}

ComPtr<_Schedule> NewControl(REFCLSID clsid) {
    ComPtr<_Schedule> control;
    Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control)),
          "CoCreateInstance Quorvane.Schedule");
    return control;
}

// A daily entry: its timer runs at the usual minute, so none ticks while a run lasts.
void AddEntry(_Schedule *control) {
    BSTR name = SysAllocString(L"daily");
    schDateType ty = schEveryDay;
    LONG none = 0, hour = 12;
    Check(control->AddSchedule(&name, &ty, &none, &none, &none, &none, &hour, &none, &none),
          "_Schedule::AddSchedule");
    SysFreeString(name);
}

} // namespace

double ThreadStartExitNs(int controls, int threads, int repetitions) {
    CLSID clsid;
    Check(CLSIDFromProgID(L"Quorvane.Schedule", &clsid), "CLSIDFromProgID Quorvane.Schedule");
    const ComPtr<_Schedule> holds_module = NewControl(clsid);
    std::vector<ComPtr<_Schedule>> ticking;
    ticking.reserve(static_cast<std::size_t>(controls));
    for (int i = 0; i < controls; ++i) {
        ticking.push_back(NewControl(clsid));
        AddEntry(ticking.back().Get());
    }
    const auto run = [threads] {
        for (int i = 0; i < threads; ++i) {
            const HANDLE thread = CreateThread(nullptr, 0, EndAtOnce, nullptr, 0, nullptr);
            Require(thread != nullptr, "CreateThread failed");
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        return static_cast<std::size_t>(threads);
    };
    return FastestNsPerCall({nullptr, run, nullptr}, repetitions);
}

} // namespace combench
