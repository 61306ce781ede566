// A run that fails a test and then crashes, which tools/wine-test.sh makes on purpose to see
// that it is counted as failed whatever the host's exit status: left out of every other run.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

TEST(ReportCheck, DISABLED_FailsThenCrashes) {
    ADD_FAILURE() << "failed on purpose, before the crash";
    std::fflush(stdout);
    // An unhandled page fault, on a thread of its own (GoogleTest catches one in a test's body),
    // at a page just released (under Wine, a write to address 0 may well succeed).
    const HANDLE thread = CreateThread(
        nullptr, 0,
        [](void *) -> DWORD {
            void *page = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
            VirtualFree(page, 0, MEM_RELEASE);
            *static_cast<volatile int *>(page) = 0;
            return 0;
        },
        nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
}

// The same, ended with exit status 0, as a crash under Wine can be.
TEST(ReportCheck, DISABLED_FailsThenExitsWithZero) {
    ADD_FAILURE() << "failed on purpose, before exiting";
    std::fflush(stdout);
    ExitProcess(0);
}
