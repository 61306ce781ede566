// every_n_minutes.cpp: an alarm every N minutes. No kind of entry repeats within a day, so the
// host adds a one-shot entry and, each time it goes off, adds it again N minutes after the
// moment it was due: its name is free again, as a one-shot entry leaves the list when it goes
// off. Counting from the due moment rather than from the handler keeps the period exact; the
// loop skips moments that have passed (after a sleep, say), which the control would drop.
// Here N is one second, so that the sample ends soon: write 60 * N for N minutes.
#include "schedule_host.h"

#include <cstdio>

constexpr ULONGLONG kPeriodSeconds = 1;

int main() {
    CoInitialize(nullptr);
    int runs = 0;
    {
        ScheduleHost schedule;
        if (FAILED(schedule.Status()))
            return 1;
        schedule->put_TimerInterVal(100);
        ULONGLONG due = ScheduleHost::Now() + kPeriodSeconds;
        schedule.on_run_time = [&](const wchar_t *name) {
            std::printf("RunTime %ls\n", name);
            if (++runs == 3)
                return; // enough for the sample; a real host goes on
            do
                due += kPeriodSeconds;
            while (due < ScheduleHost::Now());
            schedule.AddOnce(name, due);
        };
        schedule.AddOnce(L"Poll", due);
        schedule.RunUntil([&] { return runs == 3; }, 10000);
    }
    std::printf("%d runs\n", runs);
    CoUninitialize();
    return runs == 3 ? 0 : 1;
}
