// The control used from other apartments through the Automation marshaller: early- and
// late-bound calls from an MTA thread and from a second STA, errors through EXCEPINFO (the
// error object itself does not cross apartments under Wine), and RunTime to a sink that lives
// in the second STA. The control's own thread keeps pumping messages meanwhile.
#include "host.h"

#include <algorithm>

namespace {

struct Visit {
    DWORD model;
    const wchar_t *name;
    IGlobalInterfaceTable *table;
    DWORD cookie;
    Sink *sink; // advised from the visiting apartment, when set
};

DWORD WINAPI VisitControl(void *parameter) {
    const Visit &visit = *static_cast<Visit *>(parameter);
    CoInitializeEx(nullptr, visit.model);
    {
        ComPtr<_Schedule> proxy;
        EXPECT_EQ(S_OK, visit.table->GetInterfaceFromGlobal(visit.cookie, IID_PPV_ARGS(&proxy)));
        EXPECT_EQ(S_OK, AddAt(proxy.Get(), visit.name, NowPlus(1)));
        EXPECT_EQ(S_OK,
                  Call(proxy.Get(), {L"NextTime"}, DISPATCH_PROPERTYGET, {Str(visit.name)}).hr);
        Outcome nope = Call(proxy.Get(), {L"NextTime"}, DISPATCH_PROPERTYGET, {Str(L"nope")});
        EXPECT_EQ(DISP_E_EXCEPTION, nope.hr);
        EXPECT_EQ(Err(50004), nope.scode);
        EXPECT_EQ(L"invalid ScheduleName of nope", nope.description);
        if (visit.sink) {
            ComPtr<IConnectionPointContainer> container;
            ComPtr<IConnectionPoint> point;
            DWORD connection = 0;
            EXPECT_EQ(S_OK, proxy.As(&container));
            EXPECT_EQ(S_OK, container->FindConnectionPoint(DIID___Schedule, &point));
            EXPECT_EQ(S_OK, point->Advise(visit.sink, &connection));
            PumpUntil([&] { return visit.sink->keys.size() >= 2; }, 8000);
            EXPECT_EQ(S_OK, point->Unadvise(connection));
        }
    }
    CoUninitialize();
    return 0;
}

// Runs `visit` on a thread of its own while this thread pumps messages.
void RunVisit(Visit visit) {
    HANDLE thread = CreateThread(nullptr, 0, VisitControl, &visit, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 15000));
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

TEST(Apartments, CallsErrorsAndEventsCrossApartments) {
    ComPtr<_Schedule> s = NewSchedule();
    ASSERT_EQ(S_OK, s->put_Interval(100));
    ComPtr<IGlobalInterfaceTable> table;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&table)));
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, table->RegisterInterfaceInGlobal(s.Get(), IID__Schedule, &cookie));

    RunVisit({COINIT_MULTITHREADED, L"from the MTA", table.Get(), cookie, nullptr});
    Sink sink;
    RunVisit({COINIT_APARTMENTTHREADED, L"from an STA", table.Get(), cookie, &sink});
    std::sort(sink.keys.begin(), sink.keys.end());
    EXPECT_EQ((std::vector<std::wstring>{L"from an STA", L"from the MTA"}), sink.keys);
    EXPECT_EQ(S_OK, table->RevokeInterfaceFromGlobal(cookie));
}

// A client whose thread is multithreaded gets the apartment-threaded control made in an apartment
// of COM's own, behind a proxy; its calls work, and RunTime reaches its sink without a message
// loop of the client's.
DWORD WINAPI CreateFromTheMta(void *sink_parameter) {
    Sink &sink = *static_cast<Sink *>(sink_parameter);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        ComPtr<_Schedule> s = NewSchedule();
        ComPtr<IClientSecurity> proxy;
        EXPECT_EQ(S_OK, s.As(&proxy)); // only a proxy answers for the call's security
        EXPECT_EQ(S_OK, s->put_TimerInterVal(100));
        HANDLE heard = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        sink.handler = [heard](const std::wstring &) { SetEvent(heard); };
        const DWORD cookie = Connect(s.Get(), sink);
        EXPECT_EQ(S_OK, AddAt(s.Get(), L"multithreaded", NowPlus(1)));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(heard, 8000)); // no message loop here
        CloseHandle(heard);
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        EXPECT_EQ(S_OK, s.As(&container));
        EXPECT_EQ(S_OK, container->FindConnectionPoint(DIID___Schedule, &point));
        EXPECT_EQ(S_OK, point->Unadvise(cookie));
    }
    CoUninitialize();
    return 0;
}

TEST(Apartments, AMultithreadedClientGetsAProxyWhoseCallsAndEventsWork) {
    Sink sink;
    HANDLE thread = CreateThread(nullptr, 0, CreateFromTheMta, &sink, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 15000));
    CloseHandle(thread);
    EXPECT_EQ(std::vector<std::wstring>{L"multithreaded"}, sink.keys);
}

} // namespace
