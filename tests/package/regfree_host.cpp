// The control with no registration at all: tools/wine-package-test.sh runs this program in a
// prefix where the control was never registered, beside the release's application manifest
// and assembly folder, so that every class, type library and proxy-stub comes from manifests.
// (Not named *_test.cpp: the native suite takes every such file outside tests/wine.)
#include "host.h"

#include <atomic>
#include <thread>

namespace {

// Wine makes up a new CLSID for a ProgID found in a manifest, in every process: creating with
// it works, comparing it with CLSID_Schedule does not. The object says which class it is.
CLSID ClassOf(IUnknown *object) {
    ComPtr<IPersist> persist;
    EXPECT_EQ(S_OK, object->QueryInterface(IID_PPV_ARGS(&persist)));
    CLSID clsid{};
    if (persist) {
        EXPECT_EQ(S_OK, persist->GetClassID(&clsid));
    }
    return clsid;
}

template <class Interface> ComPtr<Interface> CreateByProgId() {
    CLSID clsid{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"Quorvane.Schedule", &clsid));
    ComPtr<Interface> object;
    EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)));
    return object;
}

DATE NextTime(_Schedule *schedule, const wchar_t *name) {
    BSTR text = SysAllocString(name);
    DATE when = 0;
    EXPECT_EQ(S_OK, schedule->get_NextTime(&text, &when));
    SysFreeString(text);
    return when;
}

TEST(RegistrationFree, CreatesByClassIdAndCallsThroughTheVtable) {
    ComPtr<_Schedule> schedule;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Schedule, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&schedule)));
    const DATE when = NowPlus(3600);
    ASSERT_EQ(S_OK, AddAt(schedule.Get(), L"Tea", when));
    EXPECT_NEAR(when, NextTime(schedule.Get(), L"Tea"), 1e-6);
}

TEST(RegistrationFree, CreatesByProgIdAndCallsByName) {
    ComPtr<IDispatch> schedule = CreateByProgId<IDispatch>();
    ASSERT_TRUE(schedule);
    EXPECT_EQ(CLSID_Schedule, ClassOf(schedule.Get()));
    // Names resolve through the type library that the assembly manifest redirects to.
    EXPECT_EQ(S_OK, Call(schedule.Get(), {L"AddSchedule"}, DISPATCH_METHOD,
                         {Str(L"Launch"), I4(schAppointTime), I4(2030), I4(1), I4(0), I4(15)})
                        .hr);
    const Outcome next =
        Call(schedule.Get(), {L"NextTime"}, DISPATCH_PROPERTYGET, {Str(L"Launch")});
    ASSERT_EQ(S_OK, next.hr);
    EXPECT_EQ(2030, Parts(next.Date()).wYear);
    EXPECT_EQ(15, Parts(next.Date()).wDay);
}

TEST(RegistrationFree, RaisesRunTime) {
    ComPtr<_Schedule> schedule = CreateByProgId<_Schedule>();
    ASSERT_TRUE(schedule);
    Sink sink;
    Connect(schedule.Get(), sink);
    ASSERT_EQ(S_OK, schedule->put_Interval(100));
    ASSERT_EQ(S_OK, AddAt(schedule.Get(), L"Alarm", NowPlus(1)));
    ASSERT_TRUE(PumpUntil([&] { return !sink.keys.empty(); }, 8000));
    EXPECT_EQ(std::vector<std::wstring>{L"Alarm"}, sink.keys);
}

// Another apartment reaches the control through proxies (the dual interface's and the event
// interface's, which the assembly manifest names), and hears RunTime through its own sink.
TEST(RegistrationFree, ServesAnotherThread) {
    ComPtr<_Schedule> schedule = CreateByProgId<_Schedule>();
    ASSERT_TRUE(schedule);
    ASSERT_EQ(S_OK, schedule->put_Interval(100));
    IStream *stream = nullptr;
    ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID__Schedule, schedule.Get(), &stream));

    std::vector<std::wstring> heard;
    DATE when = 0;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            ComPtr<_Schedule> proxy;
            EXPECT_EQ(S_OK, CoGetInterfaceAndReleaseStream(stream, IID_PPV_ARGS(&proxy)));
            if (proxy) {
                Sink sink;
                const DWORD cookie = Connect(proxy.Get(), sink);
                EXPECT_EQ(S_OK, AddAt(proxy.Get(), L"Elsewhere", NowPlus(1)));
                when = Call(proxy.Get(), {L"NextTime"}, DISPATCH_PROPERTYGET, {Str(L"Elsewhere")})
                           .Date();
                PumpUntil([&] { return !sink.keys.empty(); }, 8000);
                heard = sink.keys;
                ComPtr<IConnectionPointContainer> container;
                ComPtr<IConnectionPoint> point;
                proxy.As(&container);
                if (container && container->FindConnectionPoint(DIID___Schedule, &point) == S_OK)
                    point->Unadvise(cookie);
            }
        }
        CoUninitialize();
        done = true;
    });
    // This apartment keeps pumping: the worker's calls and the control's ticks arrive here.
    const bool finished = PumpUntil([&] { return done.load(); }, 15000);
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_NE(0, when);
    EXPECT_EQ(std::vector<std::wstring>{L"Elsewhere"}, heard);
}

} // namespace
