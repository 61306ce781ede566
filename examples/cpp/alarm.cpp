// alarm.cpp: a first alarm in C++. It adds two one-shot entries due in one and in two seconds,
// hears each go off through the control's RunTime event, and stops when both have, or after
// ten seconds. ScheduleHost (schedule_host.h) creates the control, connects the event and runs
// the message loop that the control's timer needs.
#include "schedule_host.h"

#include <cstdio>

int main() {
    CoInitialize(nullptr); // the control's thread: a single-threaded apartment
    int heard = 0;
    {
        ScheduleHost schedule;
        if (FAILED(schedule.Status())) {
            std::printf("cannot create Quorvane.Schedule: 0x%08lx\n",
                        static_cast<unsigned long>(schedule.Status()));
            return 1;
        }
        schedule.on_run_time = [&](const wchar_t *name) {
            std::printf("RunTime %ls\n", name);
            ++heard;
        };
        schedule->put_TimerInterVal(100); // look ten times a second
        schedule.AddOnceIn(L"Tea", 1);
        schedule.AddOnceIn(L"Cake", 2);
        schedule.RunUntil([&] { return heard == 2; }, 10000);
    }
    std::printf("%d events\n", heard);
    CoUninitialize();
    return heard == 2 ? 0 : 1;
}
