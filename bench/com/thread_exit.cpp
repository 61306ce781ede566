#include "thread_exit.h"

#include "harness.h"
#include "quorvane_idl.h"

#include <wrl/client.h>

#include <algorithm>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace combench {

namespace {

DWORD WINAPI EndAtOnce(void *) {
    return 0;
}

// A daily entry: the control's timer runs at its usual minute, so none ticks during a run.
void AddEntry(_Schedule *control) {
    BSTR name = SysAllocString(L"daily");
    schDateType ty = schEveryDay;
    LONG none = 0, hour = 12;
    Check(control->AddSchedule(&name, &ty, &none, &none, &none, &none, &hour, &none, &none),
          "_Schedule::AddSchedule");
    SysFreeString(name);
}

} // namespace

ThreadExitNs ThreadStartExit(int controls, int threads, int repetitions) {
    CLSID clsid;
    Check(CLSIDFromProgID(L"Quorvane.Schedule", &clsid), "CLSIDFromProgID Quorvane.Schedule");
    // Alive throughout, so that the module is loaded and hears every thread's end both ways.
    std::vector<ComPtr<_Schedule>> alive(static_cast<std::size_t>(controls));
    for (ComPtr<_Schedule> &control : alive)
        Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control)),
              "CoCreateInstance Quorvane.Schedule");
    const auto run = [threads] {
        for (int i = 0; i < threads; ++i) {
            const HANDLE thread = CreateThread(nullptr, 0, EndAtOnce, nullptr, 0, nullptr);
            Require(thread != nullptr, "CreateThread failed");
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        return static_cast<std::size_t>(threads);
    };
    const Batch none{[&] {
                         for (const ComPtr<_Schedule> &control : alive)
                             Check(control->RemoveAllSchedule(), "_Schedule::RemoveAllSchedule");
                     },
                     run, nullptr};
    const Batch ticking{[&] {
                            for (const ComPtr<_Schedule> &control : alive) {
                                Check(control->RemoveAllSchedule(), "_Schedule::RemoveAllSchedule");
                                AddEntry(control.Get());
                            }
                        },
                        run, nullptr};
    ThreadExitNs fastest{FastestNsPerCall(none, 1), FastestNsPerCall(ticking, 1)};
    for (int i = 1; i < repetitions; ++i) {
        fastest.none = std::min(fastest.none, FastestNsPerCall(none, 1));
        fastest.ticking = std::min(fastest.ticking, FastestNsPerCall(ticking, 1));
    }
    return fastest;
}

} // namespace combench
