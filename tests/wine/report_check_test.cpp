// A run that fails a test and then crashes, which tools/wine-test.sh makes on purpose to see
// that it is counted as failed whatever the host's exit status, and one that hangs, to see that
// it fails in its time: left out of every other run.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

namespace {

// An unhandled page fault at a page just released (under Wine, a write to address 0 may well
// succeed).
DWORD WINAPI PageFault(void *) {
    void *page = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    VirtualFree(page, 0, MEM_RELEASE);
    *static_cast<volatile int *>(page) = 0;
    return 0;
}

TEST(ReportCheck, DISABLED_FailsThenCrashes) {
    ADD_FAILURE() << "failed on purpose, before the crash";
    std::fflush(stdout);
    // On a thread of its own: GoogleTest catches a fault in a test's body.
    const HANDLE thread = CreateThread(nullptr, 0, PageFault, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
}

// The same, ended with exit status 0, as a crash under Wine can be.
TEST(ReportCheck, DISABLED_FailsThenExitsWithZero) {
    ADD_FAILURE() << "failed on purpose, before exiting";
    std::fflush(stdout);
    ExitProcess(0);
}

// A host that never ends, as one waiting for a message that never comes.
TEST(ReportCheck, DISABLED_Hangs) {
    std::fflush(stdout);
    Sleep(INFINITE);
}

} // namespace
