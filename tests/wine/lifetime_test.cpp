// The control's life at its edges: what reaches it by a pointer of its own (a tick, a paint)
// holds the control itself, never an outer object that aggregates it, and cannot hold an
// object on its way out.
#include "caller_code.h"
#include "com_object.h"
#include "dying_outer.h"

namespace {

DWORD WINAPI RunWork(void *work) {
    (*static_cast<std::function<void()> *>(work))();
    return 0;
}

// The outer object's last reference goes while a tick comes: on the control's thread, whose
// outer object's clean-up pumps messages, or on another thread while the control's thread
// ticks. The tick reaches the control, and the outer object's final release runs once.
TEST(Aggregated, ATickWhileTheOuterObjectGoesNeverRevivesIt) {
    for (const bool elsewhere : {false, true}) {
        SCOPED_TRACE(elsewhere ? "released on another thread" : "released on its own thread");
        Sink sink;
        {
            DyingOuter outer;
            ASSERT_EQ(S_OK, outer.Aggregate());
            ComPtr<_Schedule> s;
            ASSERT_EQ(S_OK, outer.QueryInterface(IID_PPV_ARGS(&s)));
            ASSERT_EQ(S_OK, s->put_Interval(50));
            Connect(s.Get(), sink);
            ASSERT_EQ(S_OK, AddAt(s.Get(), L"Due", NowPlus(1)));
            s.Reset();
            Sleep(2100); // due; its tick waits for the thread to pump
            const auto heard = [&] { return PumpUntil([&] { return !sink.keys.empty(); }, 1000); };
            if (!elsewhere) {
                outer.while_dying = [&] { EXPECT_TRUE(heard()); };
                outer.Release();
            } else {
                const HANDLE dying = CreateEventW(nullptr, TRUE, FALSE, nullptr);
                const HANDLE ticked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
                outer.while_dying = [&] {
                    SetEvent(dying);
                    WaitForSingleObject(ticked, INFINITE);
                };
                std::function<void()> release = [&] { outer.Release(); };
                const HANDLE thread = CreateThread(nullptr, 0, RunWork, &release, 0, nullptr);
                WaitForSingleObject(dying, INFINITE);
                EXPECT_TRUE(heard());
                SetEvent(ticked);
                WaitForSingleObject(thread, INFINITE);
                for (const HANDLE handle : {thread, dying, ticked})
                    CloseHandle(handle);
            }
            PumpUntil([] { return false; }, 100);
            EXPECT_EQ(1, outer.final_releases);
            EXPECT_FALSE(outer.revived);
        }
        EXPECT_EQ(std::vector<std::wstring>{L"Due"}, sink.keys);
        EXPECT_EQ(1, sink.refs); // the control is gone and let go of its sink
    }
    EXPECT_EQ(S_OK, CanUnloadNow());
}

// An object whose destruction runs code that reaches it by a pointer of its own, as a sink's
// last Release pumping a tick or a paint does.
class Probe final : public quorvane::server::ComObject<Probe, IUnknown> {
public:
    explicit Probe(bool &held_while_destroyed) : held_(held_while_destroyed) {}
    void *Find(REFIID) { return nullptr; }

private:
    ~Probe() override {
        held_ = TryHold();
        if (held_)
            LetGo();
    }
    bool &held_;
};

TEST(Lifetime, AnObjectOnItsWayOutCannotBeHeld) {
    bool held_while_destroyed = false;
    auto *probe = new Probe(held_while_destroyed);
    ASSERT_TRUE(probe->TryHold());
    probe->LetGo();
    probe->Inner()->Release();
    EXPECT_FALSE(held_while_destroyed);
}

} // namespace
