// Several apartments at once, each with controls that tick every 1 to 50 ms and whose RunTime
// handlers add and remove entries, change the interval, run a nested message loop and release
// the control raising the event, while short-lived controls come and go on every thread and
// some are released on a thread not their own. Afterwards every control is released, the
// module unloads, and every thread goes on pumping messages: no tick may reach it any more.
#include "caller_code.h"

#include <random>

namespace {

constexpr int kThreads = 4, kControls = 3;
constexpr DWORD kRunMs = 2500;

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// Once no control is left, a thread timer (WM_TIMER without a window: this test makes none of
// its own) is one that the module left behind.
struct StrayTicks {
    LONG count = 0;

    // Pumps for `ms`, counting stray ticks instead of dispatching them.
    void PumpWatching(DWORD ms) {
        const ULONGLONG until = GetTickCount64() + ms;
        while (GetTickCount64() < until) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_TIMER && !msg.hwnd)
                    InterlockedIncrement(&count);
                else
                    DispatchMessageW(&msg);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
};

// Controls that one thread made and another releases.
class Handoffs {
public:
    Handoffs() { InitializeCriticalSection(&lock_); }
    ~Handoffs() { DeleteCriticalSection(&lock_); }
    void Put(IUnknown *object) {
        EnterCriticalSection(&lock_);
        objects_.push_back({GetCurrentThreadId(), object});
        LeaveCriticalSection(&lock_);
    }
    // Releases the controls that other threads made.
    void ReleaseOthers() {
        std::vector<IUnknown *> others;
        EnterCriticalSection(&lock_);
        for (auto at = objects_.begin(); at != objects_.end();)
            if (at->first != GetCurrentThreadId()) {
                others.push_back(at->second);
                at = objects_.erase(at);
            } else {
                ++at;
            }
        LeaveCriticalSection(&lock_);
        for (IUnknown *object : others)
            object->Release();
    }

private:
    CRITICAL_SECTION lock_;
    std::vector<std::pair<DWORD, IUnknown *>> objects_;
};

class Apartment {
public:
    Apartment(unsigned seed, Handoffs &handoffs, HANDLE unload, StrayTicks &stray)
        : random_(seed), handoffs_(handoffs), unload_(unload), stray_(stray),
          released_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        // Started once every member is made: the thread fills the controls at once.
        thread_ = CreateThread(nullptr, 0, Main, this, 0, nullptr);
    }
    ~Apartment() {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(released_);
    }
    HANDLE Released() const { return released_; }
    LONG Events() const { return events_; }

    void OnRunTime(int slot) {
        ++events_;
        _Schedule *control = controls_[slot].Get();
        if (!control) // the slot's control was released; this one still ends its pass
            return;
        const wchar_t *names[] = {L"a", L"b", L"c", L"d"};
        BSTR name = SysAllocString(names[random_() % 4]);
        switch (random_() % 6) {
        case 0:
            AddAt(control, name, NowPlus(random_() % 2), random_() % 2);
            AddAt(control, L"e", NowPlus(0));
            break;
        case 1:
            control->RemoveSchedule(&name);
            break;
        case 2:
            control->put_TimerInterVal(1 + static_cast<LONG>(random_() % 50));
            break;
        case 3: // a modal dialog's loop, with this control's own ticks inside it
            PumpFor(1 + random_() % 5);
            break;
        case 4:
            controls_[slot].Reset();
            break;
        default:
            break;
        }
        SysFreeString(name);
    }

private:
    class Handler;

    static DWORD WINAPI Main(void *self) {
        static_cast<Apartment *>(self)->Run();
        return 0;
    }

    void Renew(int slot);
    void Run();

    std::minstd_rand random_;
    Handoffs &handoffs_;
    HANDLE unload_;
    StrayTicks &stray_;
    HANDLE released_, thread_ = nullptr;
    ComPtr<_Schedule> controls_[kControls];
    LONG events_ = 0;
};

// RunTime of the control in one slot of an apartment.
class Apartment::Handler final : public CallerObject {
public:
    Handler(Apartment &apartment, int slot)
        : CallerObject(DIID___Schedule), apartment_(apartment), slot_(slot) {}

    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *,
                                     EXCEPINFO *, UINT *) override {
        apartment_.OnRunTime(slot_);
        return S_OK;
    }

private:
    Apartment &apartment_;
    int slot_;
};

void Apartment::Renew(int slot) {
    controls_[slot] = NewSchedule();
    _Schedule *control = controls_[slot].Get();
    Handler *handler = new Handler(*this, slot);
    Connect(control, handler);
    handler->Release();
    control->put_TimerInterVal(1 + static_cast<LONG>(random_() % 50));
    for (const wchar_t *name : {L"a", L"b", L"c"})
        AddAt(control, name, NowPlus(0));
    AddAt(control, L"d", NowPlus(1), true);
}

void Apartment::Run() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (int slot = 0; slot < kControls; ++slot)
        Renew(slot);
    for (const ULONGLONG end = GetTickCount64() + kRunMs; GetTickCount64() < end;) {
        ComPtr<_Schedule> brief = NewSchedule();
        brief->put_TimerInterVal(1);
        AddAt(brief.Get(), L"brief", NowPlus(0));
        PumpFor(random_() % 5);
        if (random_() % 4 == 0)
            handoffs_.Put(brief.Detach()); // released by another thread
        handoffs_.ReleaseOthers();
        for (ComPtr<_Schedule> &control : controls_)
            if (!control && random_() % 3 == 0)
                Renew(static_cast<int>(&control - controls_));
        PumpFor(5);
    }
    for (ComPtr<_Schedule> &control : controls_)
        control.Reset();
    handoffs_.ReleaseOthers();
    SetEvent(released_);
    // Pumps until told to let the module go, then pumps on after it has gone.
    while (MsgWaitForMultipleObjects(1, &unload_, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        PumpMessages();
    CoFreeUnusedLibrariesEx(0, 0);
    stray_.PumpWatching(300);
    CoUninitialize();
}

TEST(Stress, ApartmentsTickingReleasingAndUnloadingTogether) {
    Handoffs handoffs;
    StrayTicks stray;
    HANDLE unload = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LONG events = 0;
    {
        std::vector<std::unique_ptr<Apartment>> apartments;
        for (unsigned seed = 1; seed <= kThreads; ++seed)
            apartments.push_back(std::make_unique<Apartment>(seed, handoffs, unload, stray));
        for (const auto &apartment : apartments)
            while (MsgWaitForMultipleObjects(1, std::array{apartment->Released()}.data(), FALSE,
                                             INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
                PumpMessages();
        handoffs.ReleaseOthers();
        // A timer stopped on another thread goes at its own thread's next tick.
        EXPECT_TRUE(PumpUntil([] { return CanUnloadNow() == S_OK; }, 3000));
        CoFreeUnusedLibrariesEx(0, 0);
        SetEvent(unload);
        stray.PumpWatching(300);
        for (const auto &apartment : apartments)
            events += apartment->Events();
    }
    CloseHandle(unload);
    std::cout << events << " RunTime events in " << kThreads << " apartments\n";
    EXPECT_GT(events, kThreads * kControls * 3) << "the handlers hardly ran";
    EXPECT_EQ(0, stray.count) << "timers outlived their controls";
}

} // namespace
