#include "memory.h"

#include "dispatch.h"
#include "harness.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace combench {

namespace {

double PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    Require(GetProcessMemoryInfo(GetCurrentProcess(),
                                 reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                                 sizeof counters),
            "GetProcessMemoryInfo failed");
    // Wine 8.0 leaves PrivateUsage 0 and fills PagefileUsage, the same charge on Windows.
    return static_cast<double>(counters.PrivateUsage ? counters.PrivateUsage
                                                     : counters.PagefileUsage);
}

// How far private bytes rise above where they stand when `work` starts, at the highest: sampled
// about every millisecond by a thread of its own (started before, so that its own stack does not
// count) and once more when `work` is done.
double RiseDuring(const std::function<void()> &work) {
    std::atomic<bool> sampling{false}, done{false};
    double peak = 0; // the sampler's until it is joined
    std::thread sampler([&] {
        while (!done) {
            peak = std::max(peak, PrivateBytes());
            sampling = true;
            Sleep(1);
        }
    });
    while (!sampling)
        Sleep(1);
    const double before = PrivateBytes();
    work();
    done = true;
    sampler.join();
    return std::max(0.0, std::max(peak, PrivateBytes()) - before); // a drop is no rise
}

} // namespace

MemoryFigures MeasureMemory(Store &store, int count) {
    const double empty = PrivateBytes();
    Grow(store, 0, count);
    const double filled = PrivateBytes();
    Require(filled > empty, "private bytes did not grow with the store");
    OwnedVariant snapshot;
    const double snapshot_bytes = RiseDuring([&] { store.Snapshot(snapshot.get()); });
    const Entries first(L"alarm", Run(0, 1));
    return {filled - empty, snapshot_bytes, RiseDuring([&] { DropAll(store, first); })};
}

void PrintForParent(const MemoryFigures &figures) {
    std::printf("%.0f %.0f %.0f\n", figures.store_bytes, figures.snapshot_bytes,
                figures.changed_bytes);
}

MemoryFigures MeasureMemoryApart(const wchar_t *side, int count) {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    Require(length > 0 && length < MAX_PATH, "cannot find this program's path");
    std::wstring command =
        L"\"" + std::wstring(self) + L"\" --memory " + side + L" " + std::to_wstring(count);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read_end, write_end;
    Require(CreatePipe(&read_end, &write_end, &inherit, 0), "CreatePipe failed");
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    Require(CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &child),
            "cannot start the memory measurement");
    CloseHandle(write_end);

    std::string output;
    char buffer[256];
    DWORD got;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0)
        output.append(buffer, got);
    CloseHandle(read_end);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD exit_code = 1;
    GetExitCodeProcess(child.hProcess, &exit_code);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    Require(exit_code == 0, "the memory measurement failed");

    MemoryFigures figures{};
    Require(std::sscanf(output.c_str(), "%lf %lf %lf", &figures.store_bytes,
                        &figures.snapshot_bytes, &figures.changed_bytes) == 3,
            "the memory measurement printed no figures");
    return figures;
}

} // namespace combench
