// The module's entry points: its exports, the class object, and DllCanUnloadNow while the
// objects of the module and the locks on its class object come and go.
#include "host.h"

#include <string>
#include <vector>

namespace {

template <class Function> Function Export(HMODULE module, const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

// The module as COM loaded it: the objects that other tests made came from this copy.
class EntryPoints : public testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryW(ModulePath().c_str());
        ASSERT_NE(nullptr, module_);
        get_ = Export<decltype(get_)>(module_, "DllGetClassObject");
        can_unload_ = Export<decltype(can_unload_)>(module_, "DllCanUnloadNow");
        ASSERT_TRUE(get_ && can_unload_);
    }
    void TearDown() override { FreeLibrary(module_); }

    // `object` alone keeps the module loaded; released, it lets it go.
    template <class Interface> void ExpectHolds(ComPtr<Interface> &object, const char *what) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(object);
        EXPECT_EQ(S_FALSE, can_unload_());
        object.Reset();
        EXPECT_EQ(S_OK, can_unload_());
    }

    HMODULE module_ = nullptr;
    HRESULT(WINAPI *get_)(REFCLSID, REFIID, void **) = nullptr;
    HRESULT(WINAPI *can_unload_)() = nullptr;
};

TEST_F(EntryPoints, ClassObjectOfScheduleOnly) {
    void *out = &out;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, get_(IID__Schedule, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, get_(CLSID_NULL, IID_IClassFactory, &out));
    EXPECT_EQ(E_NOINTERFACE, get_(CLSID_Schedule, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);

    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, get_(CLSID_Schedule, IID_PPV_ARGS(&unknown)));
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, unknown.As(&factory));
    ComPtr<IUnknown> object;
    // An outer object aggregates the control only through the control's own IUnknown.
    ComPtr<_Schedule> inner;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(unknown.Get(), IID_PPV_ARGS(&inner)));
    EXPECT_EQ(nullptr, inner);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    ComPtr<_Schedule> schedule;
    EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(&schedule)));
}

// An extender that aggregates the control, as containers wrap a control: its own IUnknown
// answers for itself and hands every other interface on to the control's.
class Extender final : public IUnknown {
public:
    LONG refs = 1;
    ComPtr<IUnknown> inner;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        if (iid != IID_IUnknown)
            return inner->QueryInterface(iid, out);
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST_F(EntryPoints, ControlCanBeAggregated) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, get_(CLSID_Schedule, IID_PPV_ARGS(&factory)));
    Extender outer;
    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_PPV_ARGS(&outer.inner)));
    factory.Reset();
    EXPECT_EQ(1, outer.refs);

    // The control's interfaces count on the outer object and give its identity.
    ComPtr<_Schedule> schedule;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_PPV_ARGS(&schedule)));
    EXPECT_EQ(2, outer.refs);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, schedule.As(&identity));
    EXPECT_EQ(static_cast<IUnknown *>(&outer), identity.Get());
    identity.Reset();
    ComPtr<IOleObject> embedding;
    ASSERT_EQ(S_OK, schedule.As(&embedding));
    EXPECT_EQ(3, outer.refs);
    embedding.Reset();

    BSTR name = SysAllocString(L"tea");
    schDateType daily = schEveryDay;
    LONG hour = 7, zero = 0;
    EXPECT_EQ(S_OK, schedule->AddSchedule(&name, &daily, &zero, &zero, &zero, &zero, &hour, &zero,
                                          &zero));
    EXPECT_EQ(S_OK, Call(schedule.Get(), {L"NextTime"}, DISPATCH_PROPERTYGET, {Str(L"tea")}).hr);
    SysFreeString(name);
    schedule.Reset();
    EXPECT_EQ(1, outer.refs);

    // Released through its own IUnknown, the control goes and lets the module go.
    EXPECT_EQ(S_FALSE, can_unload_());
    outer.inner.Reset();
    EXPECT_EQ(S_OK, can_unload_());
}

TEST_F(EntryPoints, CanUnloadOnlyWithNoObjectAndNoLock) {
    ASSERT_EQ(S_OK, can_unload_()) << "an earlier test left an object of the module alive";

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, get_(CLSID_Schedule, IID_PPV_ARGS(&factory)));
    ExpectHolds(factory, "class object");
    ASSERT_EQ(S_OK, get_(CLSID_Schedule, IID_PPV_ARGS(&factory)));
    ComPtr<_Schedule> schedule;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(&schedule)));
    factory.Reset();
    ExpectHolds(schedule, "control");

    // Locks, nested, outlive the class object they were taken through; letting go of a lock
    // never taken changes nothing.
    ASSERT_EQ(S_OK, get_(CLSID_Schedule, IID_PPV_ARGS(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory.Reset();
    EXPECT_EQ(S_FALSE, can_unload_());
    ASSERT_EQ(S_OK, get_(CLSID_Schedule, IID_PPV_ARGS(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory.Reset();
    EXPECT_EQ(S_FALSE, can_unload_());
    ASSERT_EQ(S_OK, get_(CLSID_Schedule, IID_PPV_ARGS(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    ExpectHolds(factory, "class object, locks released");
}

TEST_F(EntryPoints, EveryKindOfObjectHoldsTheModule) {
    // Each object is made with everything it came from released again, the class object too.
    auto control = [&] {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(S_OK, get_(CLSID_Schedule, IID_PPV_ARGS(&factory)));
        ComPtr<_Schedule> schedule;
        EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(&schedule)));
        return schedule;
    };
    auto container = [&] {
        ComPtr<IConnectionPointContainer> points;
        EXPECT_EQ(S_OK, control().As(&points));
        return points;
    };
    auto point = [&] {
        ComPtr<IConnectionPoint> events;
        EXPECT_EQ(S_OK, container()->FindConnectionPoint(DIID___Schedule, &events));
        return events;
    };
    auto collection = [&] {
        ComPtr<_Schedule> schedule = control();
        EXPECT_EQ(S_OK, AddAt(schedule.Get(), L"later", NowPlus(3600)));
        ComPtr<IDispatch> schedules;
        EXPECT_EQ(S_OK, schedule->get_GetSchedules(&schedules));
        ComPtr<_Collection> items;
        EXPECT_EQ(S_OK, schedules.As(&items));
        return items;
    };
    ASSERT_EQ(S_OK, can_unload_());

    ComPtr<_Collection> items = collection();
    ExpectHolds(items, "collection");

    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, collection()->_NewEnum(&unknown));
    ComPtr<IEnumVARIANT> walk, clone;
    ASSERT_EQ(S_OK, unknown.As(&walk));
    unknown.Reset();
    ExpectHolds(walk, "enumerator of a collection");
    ASSERT_EQ(S_OK, collection()->_NewEnum(&unknown));
    ASSERT_EQ(S_OK, unknown.As(&walk));
    unknown.Reset();
    ASSERT_EQ(S_OK, walk->Clone(&clone));
    walk.Reset();
    ExpectHolds(clone, "clone of an enumerator");

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container()->EnumConnectionPoints(&points));
    ExpectHolds(points, "enumerator of connection points");

    Sink sink;
    ComPtr<IConnectionPoint> events = point();
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, events->Advise(&sink, &cookie));
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(S_OK, events->EnumConnections(&connections));
    ASSERT_EQ(S_OK, events->Unadvise(cookie));
    events.Reset();
    ExpectHolds(connections, "enumerator of connections");
    EXPECT_EQ(1, sink.refs);

    events = point(); // shares the control's count: the control lives while it is held
    ExpectHolds(events, "connection point");
}

// The process's committed private memory, in bytes: its heaps and all else it allocated.
SIZE_T PrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const BYTE *at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const BYTE *next = static_cast<const BYTE *>(region.BaseAddress) + region.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return total;
}

// How many TLS indexes TlsAlloc could still give: fewer with each index taken for good.
int FreeTlsIndexes() {
    std::vector<DWORD> taken;
    for (DWORD index; (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;)
        taken.push_back(index);
    for (const DWORD index : taken)
        TlsFree(index);
    return static_cast<int>(taken.size());
}

// Hosts that call CoFreeUnusedLibraries unload a control that they use now and then, and load it
// again. A copy of the module, never loaded before in this process, goes through 5,000 cycles of
// LoadLibrary, a control made and released, DllCanUnloadNow and FreeLibrary: the process's
// memory and its TLS indexes stay as they were.
TEST(Unloading, ThousandsOfLoadsAndUnloadsLeaveMemoryAndTlsIndexesAsTheyWere) {
    wchar_t temp[MAX_PATH], unique[39];
    GetTempPathW(MAX_PATH, temp);
    GUID name;
    CoCreateGuid(&name);
    StringFromGUID2(name, unique, 39);
    const std::wstring copy = temp + std::wstring(L"quorvane-cycles-") + unique + L".ocx";
    ASSERT_TRUE(CopyFileW(ModulePath().c_str(), copy.c_str(), TRUE));
    ASSERT_EQ(nullptr, GetModuleHandleW(copy.c_str()));

    const auto cycle = [&] {
        const HMODULE module = LoadLibraryW(copy.c_str());
        ASSERT_NE(nullptr, module);
        const auto get =
            Export<HRESULT(WINAPI *)(REFCLSID, REFIID, void **)>(module, "DllGetClassObject");
        const auto can_unload = Export<HRESULT(WINAPI *)()>(module, "DllCanUnloadNow");
        ASSERT_TRUE(get && can_unload);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(S_OK, get(CLSID_Schedule, IID_PPV_ARGS(&factory)));
        ComPtr<_Schedule> schedule;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(&schedule)));
        factory.Reset();
        ASSERT_EQ(S_FALSE, can_unload());
        schedule.Reset();
        ASSERT_EQ(S_OK, can_unload());
        FreeLibrary(module);
    };
    for (int warm_up = 0; warm_up < 20; ++warm_up)
        ASSERT_NO_FATAL_FAILURE(cycle());
    const SIZE_T memory = PrivateBytes();
    const int tls = FreeTlsIndexes();
    // Checked as it goes: a leak shows long before it ends the process (the TLS indexes run out
    // after about 1,080 cycles).
    for (int done = 0; done < 5000;) {
        for (const int end = done + 250; done < end; ++done)
            ASSERT_NO_FATAL_FAILURE(cycle());
        SCOPED_TRACE(std::to_string(done) + " cycles");
        EXPECT_GE(FreeTlsIndexes(), tls) << "TLS indexes leak";
        EXPECT_LT(PrivateBytes(), memory + 1024 * 1024) << "memory leaks";
        if (HasFailure())
            return;
    }
    // The copy stays loaded, and its file until the process ends.
}

// The export directory of the module as the loader mapped it.
TEST(Exports, FourEntryPointsByNameWithOrdinalsOneToFour) {
    HMODULE module = LoadLibraryW(ModulePath().c_str());
    ASSERT_NE(nullptr, module);
    const auto base = reinterpret_cast<const BYTE *>(module);
    const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    ASSERT_EQ(IMAGE_DOS_SIGNATURE, dos->e_magic);
    const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    ASSERT_EQ(IMAGE_NT_SIGNATURE, nt->Signature);
    const IMAGE_DATA_DIRECTORY &entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(0u, entry.Size);
    const auto exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + entry.VirtualAddress);
    EXPECT_STREQ("Quorvane.ocx", reinterpret_cast<const char *>(base + exports->Name));
    EXPECT_EQ(1u, exports->Base);
    ASSERT_EQ(4u, exports->NumberOfFunctions);
    ASSERT_EQ(4u, exports->NumberOfNames);

    const auto names = reinterpret_cast<const DWORD *>(base + exports->AddressOfNames);
    const auto ordinals = reinterpret_cast<const WORD *>(base + exports->AddressOfNameOrdinals);
    const auto functions = reinterpret_cast<const DWORD *>(base + exports->AddressOfFunctions);
    const std::vector<std::string> expected{"DllCanUnloadNow", "DllGetClassObject",
                                            "DllRegisterServer", "DllUnregisterServer"};
    for (WORD i = 0; i < 4; ++i) {
        const char *name = reinterpret_cast<const char *>(base + names[i]);
        SCOPED_TRACE(name);
        EXPECT_EQ(expected[i], name);
        EXPECT_EQ(i, ordinals[i]); // ordinal Base + i
        const FARPROC by_ordinal = GetProcAddress(module, MAKEINTRESOURCEA(i + 1));
        EXPECT_EQ(reinterpret_cast<FARPROC>(base + functions[i]), by_ordinal);
        EXPECT_EQ(by_ordinal, GetProcAddress(module, expected[i].c_str()));
    }
    FreeLibrary(module);
}

} // namespace
