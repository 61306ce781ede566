// month_end.cpp: an alarm on the last day of every month. Monthly entries take days 1 to 28
// only, so the host adds a daily entry at the time of day it wants and, when it goes off, acts
// only if tomorrow is the 1st. The sample shows the check on a few dates, then hears the daily
// entry go off once; it is due a second from now, so that the sample ends soon.
#include "schedule_host.h"

#include <cstdio>

// Whether the day of `moment` is the last of its month: whether the next day is the 1st.
bool IsLastDayOfMonth(ULONGLONG moment) {
    return ScheduleHost::TimeOf(moment + 86400).wDay == 1;
}

void ShowCheck(WORD year, WORD month, WORD day) {
    const SYSTEMTIME date{year, month, 0, day, 12, 0, 0, 0};
    std::printf("%04u-%02u-%02u: %s\n", year, month, day,
                IsLastDayOfMonth(ScheduleHost::MomentOf(date)) ? "last day of the month"
                                                               : "not the last day");
}

int main() {
    ShowCheck(2030, 1, 31);
    ShowCheck(2030, 2, 28);
    ShowCheck(2028, 2, 28); // a leap year: 29 February comes next
    ShowCheck(2028, 2, 29);
    ShowCheck(2030, 4, 30);
    ShowCheck(2030, 12, 30);

    CoInitialize(nullptr);
    bool heard = false;
    {
        ScheduleHost schedule;
        if (FAILED(schedule.Status()))
            return 1;
        schedule->put_TimerInterVal(100);
        schedule.on_run_time = [&](const wchar_t *name) {
            std::printf("RunTime %ls\n", name);
            if (IsLastDayOfMonth(ScheduleHost::Now())) {
                // The month's closing work goes here.
            }
            heard = true;
        };
        const ULONGLONG at = ScheduleHost::Now() + 1; // a real host: 18:00, say
        schedule.Add(L"Month end", schEveryDay, ScheduleHost::TimeOf(at));
        schedule.RunUntil([&] { return heard; }, 10000);
        if (schedule.NextTime(L"Month end") == at + 86400)
            std::printf("Month end is checked again tomorrow\n");
    }
    CoUninitialize();
    return heard ? 0 : 1;
}
