// snooze.cpp: an alarm clock's snooze. The alarm is a daily entry; snoozing adds a one-shot
// entry a few minutes on. It needs a name of its own: the daily entry keeps its name, as it
// stays in the list for tomorrow. Snoozing again re-adds the one-shot entry, whose name is
// free once it has gone off. Here a snooze lasts a second, so that the sample ends soon.
#include "schedule_host.h"

#include <cstdio>

constexpr int kSnoozeSeconds = 1; // 9 * 60 for nine minutes

int main() {
    CoInitialize(nullptr);
    bool up = false;
    {
        ScheduleHost schedule;
        if (FAILED(schedule.Status()))
            return 1;
        schedule->put_TimerInterVal(100);
        int snoozes = 0;
        schedule.on_run_time = [&](const wchar_t *name) {
            // Where a program would ask the user; this one snoozes twice.
            if (snoozes < 2) {
                ++snoozes;
                std::printf("RunTime %ls: snooze\n", name);
                schedule.AddOnceIn(L"Wake up, snoozed", kSnoozeSeconds);
            } else {
                std::printf("RunTime %ls: up\n", name);
                up = true;
            }
        };
        const ULONGLONG alarm = ScheduleHost::Now() + 1;
        schedule.Add(L"Wake up", schEveryDay, ScheduleHost::TimeOf(alarm));
        schedule.RunUntil([&] { return up; }, 10000);
        if (schedule.NextTime(L"Wake up") == alarm + 86400)
            std::printf("Wake up is due again tomorrow at the same time\n");
    }
    CoUninitialize();
    return up ? 0 : 1;
}
