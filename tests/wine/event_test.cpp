// RunTime through the connection point, under a real message loop: the control ticks every
// 100 ms and its entries fall due one to two seconds ahead.
#include "host.h"

namespace {

struct Events : testing::Test {
    // The sinks outlive the controls that hold them.
    Sink sink, second, other_sink, more[3];
    ComPtr<_Schedule> s = NewSchedule(), other;
    void SetUp() override {
        ASSERT_EQ(S_OK, s->put_Interval(100));
        Connect(s.Get(), sink);
    }
    bool WaitFor(std::size_t events, DWORD ms = 8000) {
        return PumpUntil([&] { return sink.keys.size() >= events; }, ms);
    }
    HRESULT NextTime(const wchar_t *name, DATE *when) {
        BSTR text = SysAllocString(name);
        const HRESULT hr = s->get_NextTime(&text, when);
        SysFreeString(text);
        return hr;
    }
};

TEST_F(Events, FrozenEventsWaitForTheThaw) {
    ComPtr<IOleControl> control;
    ASSERT_EQ(S_OK, s.As(&control));
    ASSERT_EQ(S_OK, control->FreezeEvents(TRUE));
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Soon", NowPlus(1)));
    EXPECT_FALSE(WaitFor(1, 2600)) << "raised into a frozen container";
    DATE when = 0;
    EXPECT_EQ(S_OK, NextTime(L"Soon", &when)); // still due, not gone
    ASSERT_EQ(S_OK, control->FreezeEvents(FALSE));
    EXPECT_TRUE(WaitFor(1, 1000));
    EXPECT_EQ(std::vector<std::wstring>{L"Soon"}, sink.keys);
}

// The first sink's handler freezes the events: the second, the container that froze them,
// hears nothing until the thaw, and then the alarm it missed before the next one.
TEST_F(Events, AFreezeInAHandlerHoldsTheRestOfTheAlarmUntilTheThaw) {
    ComPtr<IOleControl> control;
    ASSERT_EQ(S_OK, s.As(&control));
    Connect(s.Get(), second);
    bool frozen = false;
    std::vector<std::wstring> heard_frozen;
    sink.handler = [&](const std::wstring &key) {
        if (frozen)
            heard_frozen.push_back(L"1:" + key);
        if (key == L"First") {
            ASSERT_EQ(S_OK, control->FreezeEvents(TRUE));
            frozen = true;
        }
    };
    second.handler = [&](const std::wstring &key) {
        if (frozen)
            heard_frozen.push_back(L"2:" + key);
    };
    const DATE soon = NowPlus(1);
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"First", soon));
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Second", soon));
    ASSERT_TRUE(WaitFor(1));
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(std::vector<std::wstring>{}, heard_frozen);
    frozen = false;
    ASSERT_EQ(S_OK, control->FreezeEvents(FALSE));
    ASSERT_TRUE(PumpUntil([&] { return second.keys.size() >= 2; }, 1000));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ((std::vector<std::wstring>{L"First", L"Second"}), sink.keys);
    EXPECT_EQ((std::vector<std::wstring>{L"First", L"Second"}), second.keys);
}

// A sink that leaves while a freeze holds the rest of an alarm back is let go at once, and hears
// nothing of it after the thaw.
TEST_F(Events, UnadviseLetsGoOfTheSinkAtOnceWhileAnAlarmIsHeld) {
    ComPtr<IOleControl> control;
    ASSERT_EQ(S_OK, s.As(&control));
    const DWORD cookie = Connect(s.Get(), second);
    sink.handler = [&](const std::wstring &) { ASSERT_EQ(S_OK, control->FreezeEvents(TRUE)); };
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Held", NowPlus(1)));
    ASSERT_TRUE(WaitFor(1));
    ASSERT_EQ(std::vector<std::wstring>{}, second.keys);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, s.As(&container));
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID___Schedule, &point));
    ASSERT_EQ(S_OK, point->Unadvise(cookie));
    EXPECT_EQ(1, second.refs) << "the held alarm still holds the sink";
    EXPECT_EQ(2, sink.refs); // the connection's, which the held alarm does not add to
    ASSERT_EQ(S_OK, control->FreezeEvents(FALSE));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(std::vector<std::wstring>{}, second.keys);
}

TEST_F(Events, TwoSinksHearEveryEntryInDueOrder) {
    Connect(s.Get(), second);
    const DATE soon = NowPlus(1), later = NowPlus(2);
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Later", later));
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Soon", soon));
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Daily", soon, true));
    std::vector<std::wstring> order;
    std::vector<HRESULT> lookups;
    sink.handler = [&](const std::wstring &key) {
        order.push_back(L"1:" + key);
        DATE when = 0;
        lookups.push_back(NextTime(key.c_str(), &when));
        if (key == L"Daily") {
            EXPECT_NEAR(soon + 1, when, 1e-6); // already the next day
        }
    };
    second.handler = [&](const std::wstring &key) { order.push_back(L"2:" + key); };
    ASSERT_TRUE(WaitFor(3));
    EXPECT_EQ((std::vector<std::wstring>{L"1:Soon", L"2:Soon", L"1:Daily", L"2:Daily", L"1:Later",
                                         L"2:Later"}),
              order);
    // A one-shot entry has left the list by the time its handler runs.
    EXPECT_EQ((std::vector<HRESULT>{Err(50004), S_OK, Err(50004)}), lookups);
    DATE when = 0;
    EXPECT_EQ(S_OK, NextTime(L"Daily", &when)); // the handler's write into key changed nothing
}

TEST_F(Events, HandlerMayRemoveAllOrAdd) {
    const DATE soon = NowPlus(1);
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Clear", soon));
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Dropped", soon));
    sink.handler = [&](const std::wstring &key) {
        if (key != L"Clear")
            return;
        EXPECT_EQ(S_OK, s->RemoveAllSchedule());
        EXPECT_EQ(S_OK, AddAt(s.Get(), L"Added", NowPlus(1)));
    };
    ASSERT_TRUE(WaitFor(2));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ((std::vector<std::wstring>{L"Clear", L"Added"}), sink.keys);
}

TEST_F(Events, NestedMessageLoopDefersOwnTicksButNotOtherControls) {
    other = NewSchedule();
    ASSERT_EQ(S_OK, other->put_Interval(100));
    Connect(other.Get(), other_sink);
    const DATE soon = NowPlus(1);
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"First", soon));
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Second", soon));
    bool nested = false;
    std::size_t seen_inside = 0;
    sink.handler = [&](const std::wstring &key) {
        EXPECT_FALSE(nested) << "a tick of this control ran inside its own handler";
        if (key != L"First")
            return;
        EXPECT_EQ(S_OK, AddAt(other.Get(), L"Other", NowPlus(1)));
        nested = true;
        PumpUntil([&] { return !other_sink.keys.empty(); }, 3000);
        nested = false;
        seen_inside = other_sink.keys.size();
    };
    ASSERT_TRUE(WaitFor(2));
    EXPECT_EQ((std::vector<std::wstring>{L"First", L"Second"}), sink.keys);
    EXPECT_EQ(1u, seen_inside);
}

TEST_F(Events, HandlerMayReleaseTheLastReference) {
    const DATE soon = NowPlus(1);
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Release", soon));
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"After", soon));
    sink.handler = [&](const std::wstring &key) {
        if (key == L"Release")
            s.Reset();
    };
    ASSERT_TRUE(WaitFor(2));
    EXPECT_EQ((std::vector<std::wstring>{L"Release", L"After"}), sink.keys);
    EXPECT_EQ(1, sink.refs); // the control is gone and has let go of its sink
}

TEST_F(Events, ConnectionPointKeepsAnyNumberOfSinks) {
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, s.As(&container));
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, points->Next(1, &point, nullptr));
    IID iid{};
    EXPECT_EQ(S_OK, point->GetConnectionInterface(&iid));
    EXPECT_EQ(DIID___Schedule, iid);
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID__Schedule, &none));

    DWORD cookies[3];
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(S_OK, point->Advise(&more[i], &cookies[i]));
    EXPECT_EQ(S_OK, point->Unadvise(cookies[1]));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookies[1]));
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(S_OK, point->EnumConnections(&connections));
    CONNECTDATA data[4];
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, connections->Next(4, data, &fetched));
    ASSERT_EQ(3u, fetched); // the fixture's sink and two of these
    EXPECT_EQ(cookies[2], data[2].dwCookie);
    for (ULONG i = 0; i < fetched; ++i)
        data[i].pUnk->Release();
    connections.Reset();
    EXPECT_EQ(2, more[0].refs);
    EXPECT_EQ(1, more[1].refs);
}

} // namespace
