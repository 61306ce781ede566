// The caller's code running inside the control's calls: an argument's default value, a sink's
// last Release, a release on another thread. Each case once corrupted memory, lost alarms or
// took a NaN for a number.
#include "caller_code.h"
#include "caller_memory.h"

#include <cmath>

namespace {

constexpr DISPID kAddSchedule = 0x60030012, kTimerInterVal = 0x68030011, kInterval = 0x6803000E;

VARIANT R8(double value) {
    VARIANT v;
    V_VT(&v) = VT_R8;
    V_R8(&v) = value;
    return v;
}

// Date values of one second differ by less (a fraction of a day is rarely exact).
constexpr double kHalfSecond = 0.5 / 86400;

LONG CountOf(IDispatch *collection) {
    return CallId(collection, 2, DISPATCH_PROPERTYGET, {}).Long();
}

// `object` once more as an argument that Call may release.
VARIANT Another(IDispatch *object) {
    object->AddRef();
    return Object(object);
}

TEST(CallerCode, AnIndexWhoseValueMovesTheCollectionsItemsFindsTheItemsOfNow) {
    ComPtr<_Schedule> s = NewSchedule();
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(S_OK, AddAt(s.Get(), (L"e" + std::to_wstring(i)).c_str(), NowPlus(3600 + i)));
    ComPtr<IDispatch> items;
    ASSERT_EQ(S_OK, s->get_GetSchedules(&items));
    // The value begins a walk, removes the first item, so that the collection copies its items
    // away from the walk, and ends the walk, which frees the items the call began with.
    ValueObject *index = ValueObject::Create(I4(1), [&] {
        Outcome walk = CallId(items.Get(), DISPID_NEWENUM, DISPATCH_PROPERTYGET, {});
        EXPECT_EQ(S_OK, CallId(items.Get(), 3, DISPATCH_METHOD, {I4(1)}).hr);
    });

    EXPECT_EQ(S_OK, CallId(items.Get(), 3, DISPATCH_METHOD, {Another(index)}).hr);
    EXPECT_EQ(2998, CountOf(items.Get()));
    ComPtr<_Collection> collection;
    ASSERT_EQ(S_OK, items.As(&collection));
    VARIANT argument = Object(index), item;
    EXPECT_EQ(S_OK, collection->Item(&argument, &item));
    EXPECT_EQ(VT_DATE, V_VT(&item));
    EXPECT_EQ(2997, CountOf(items.Get()));
    // Add 42, Before:=index: the item goes into the collection the caller holds.
    EXPECT_EQ(
        S_OK,
        Call(items.Get(), {L"Add", L"Before"}, DISPATCH_METHOD, {I4(42)}, {Another(index)}).hr);
    EXPECT_EQ(2997, CountOf(items.Get()));
    EXPECT_EQ(42, CallId(items.Get(), DISPID_VALUE, DISPATCH_PROPERTYGET, {I4(1)}).Long());
    index->Release();
}

// GetSchedules' collection shares the list until one side changes. An index's value that
// changes the list leaves the collection, and a For Each begun on it, reading the list as
// taken; the collection's own first change then copies it out without reaching the list.
TEST(CallerCode, AnIndexWhoseValueChangesTheListFindsTheCollectionAsTaken) {
    ComPtr<_Schedule> s = NewSchedule();
    const DATE at[] = {NowPlus(3601), NowPlus(3602), NowPlus(3603)};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(S_OK, AddAt(s.Get(), (L"e" + std::to_wstring(i)).c_str(), at[i]));
    ComPtr<IDispatch> items;
    ASSERT_EQ(S_OK, s->get_GetSchedules(&items));
    Outcome walk = CallId(items.Get(), DISPID_NEWENUM, DISPATCH_PROPERTYGET, {});
    ComPtr<IEnumVARIANT> dates;
    ASSERT_EQ(S_OK, V_UNKNOWN(&walk.value)->QueryInterface(IID_PPV_ARGS(&dates)));
    const auto list = [&](const wchar_t *member, std::vector<VARIANT> arguments) {
        return Call(s.Get(), {member}, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                    std::move(arguments));
    };

    ValueObject *first = ValueObject::Create(I4(1), [&] {
        EXPECT_EQ(S_OK, list(L"RemoveSchedule", {Str(L"e0")}).hr);
        EXPECT_EQ(S_OK, AddAt(s.Get(), L"sooner", NowPlus(60)));
    });
    EXPECT_NEAR(at[0],
                CallId(items.Get(), DISPID_VALUE, DISPATCH_PROPERTYGET, {Object(first)}).Date(),
                kHalfSecond);
    EXPECT_EQ(3, CountOf(items.Get()));
    EXPECT_NEAR(at[0], CallId(items.Get(), DISPID_VALUE, DISPATCH_PROPERTYGET, {Str(L"e0")}).Date(),
                kHalfSecond);
    EXPECT_EQ(Err(5),
              CallId(items.Get(), DISPID_VALUE, DISPATCH_PROPERTYGET, {Str(L"sooner")}).scode);
    EXPECT_EQ(Err(50004), list(L"NextTime", {Str(L"e0")}).scode);

    // Remove "e1", whose name's value removes "e2" from the list first: the collection copies
    // itself out of the list as taken, and its changes stay its own.
    ValueObject *second = ValueObject::Create(
        Str(L"e1"), [&] { EXPECT_EQ(S_OK, list(L"RemoveSchedule", {Str(L"e2")}).hr); });
    EXPECT_EQ(S_OK, CallId(items.Get(), 3, DISPATCH_METHOD, {Object(second)}).hr);
    EXPECT_EQ(S_OK, Call(items.Get(), {L"Add", L"Key"}, DISPATCH_METHOD, {I4(42)}, {Str(L"k")}).hr);
    EXPECT_EQ(3, CountOf(items.Get()));
    EXPECT_NEAR(at[2], CallId(items.Get(), DISPID_VALUE, DISPATCH_PROPERTYGET, {I4(2)}).Date(),
                kHalfSecond);
    EXPECT_NEAR(at[1], list(L"NextTime", {Str(L"e1")}).Date(), kHalfSecond);
    EXPECT_EQ(Err(50004), list(L"NextTime", {Str(L"k")}).scode);
    ComPtr<IDispatch> now;
    ASSERT_EQ(S_OK, s->get_GetSchedules(&now));
    EXPECT_EQ(2, CountOf(now.Get())); // "sooner" and "e1"

    // The walk begun first reads all three as they were.
    VARIANT out[4];
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, dates->Next(4, out, &fetched));
    ASSERT_EQ(3u, fetched);
    for (ULONG i = 0; i < fetched; ++i) {
        EXPECT_EQ(VT_DATE, V_VT(&out[i]));
        EXPECT_NEAR(at[i], V_DATE(&out[i]), kHalfSecond);
    }
}

TEST(CallerCode, ANameReassignedByAnotherArgumentsValueIsReadAsGiven) {
    if (!StringsReallyFreed())
        GTEST_SKIP() << "strings are cached: run with OANOCACHE=1";
    ComPtr<_Schedule> s = NewSchedule();
    for (const wchar_t *given : {L"by reference", L"in a variable"}) {
        VARIANT variable = Str(given);
        // ty's value frees the name and stores another, as a script's assignment does.
        ValueObject *ty = ValueObject::Create(I4(0), [&] {
            SysFreeString(V_BSTR(&variable));
            V_BSTR(&variable) = SysAllocString(L"new");
        });
        VARIANT name = Ref(&variable);
        if (given[0] == L'b') {
            V_VT(&name) = VT_BSTR | VT_BYREF;
            V_BSTRREF(&name) = &V_BSTR(&variable);
        }
        VARIANT args[] = {Object(ty), name}; // in reverse: ty, then the name
        DISPPARAMS params{args, nullptr, 2, 0};
        EXPECT_EQ(S_OK, s->Invoke(kAddSchedule, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                                  nullptr, nullptr));
        VariantClear(&args[0]);
        VariantClear(&variable);
        EXPECT_EQ(S_OK, Call(s.Get(), {L"NextTime"}, DISPATCH_PROPERTYGET, {Str(given)}).hr);
        EXPECT_EQ(Err(50004),
                  Call(s.Get(), {L"NextTime"}, DISPATCH_PROPERTYGET, {Str(L"new")}).scode);
    }
}

TEST(CallerCode, ATickDuringTheControlsDestructionFindsItGone) {
    LONG events = 0;
    ComPtr<_Schedule> s = NewSchedule();
    PumpingSink *sink = PumpingSink::Create(&events);
    Connect(s.Get(), sink);
    sink->Release(); // the control holds its last reference
    ASSERT_EQ(S_OK, s->put_TimerInterVal(10));
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"later", NowPlus(3600)));
    Sleep(50); // a tick is due
    s.Reset(); // the sink's last Release pumps that tick
    PumpUntil([] { return false; }, 50);
    EXPECT_EQ(0, events);
    EXPECT_EQ(S_OK, CanUnloadNow());
}

TEST(CallerCode, AControlReleasedOnAnotherThreadLeavesThatThreadsAlarms) {
    _Schedule *first_control = nullptr;
    ComPtr<_Schedule> second_control;
    Sink sink;
    {
        // Each thread's first timer: both have the same id, each on its own thread.
        StaThread first, second;
        first.Run([&] {
            first_control = NewSchedule().Detach();
            first_control->put_TimerInterVal(10);
            AddAt(first_control, L"first", NowPlus(3600));
        });
        second.Run([&] {
            second_control = NewSchedule();
            Connect(second_control.Get(), sink);
            second_control->put_TimerInterVal(100);
            AddAt(second_control.Get(), L"second", NowPlus(1));
            first_control->Release(); // as a finalizer on the wrong thread does
        });
        Sleep(2600); // both threads pump meanwhile
        second.Run([&] { second_control.Reset(); });
    }
    EXPECT_EQ(std::vector<std::wstring>{L"second"}, sink.keys);
    // The first control's timer was killed on its own thread, and the module let go.
    EXPECT_EQ(S_OK, CanUnloadNow());
}

TEST(CallerCode, AThreadThatEndsTakesItsOwnTimersAlone) {
    Sink sink;
    ComPtr<_Schedule> here = NewSchedule();
    Connect(here.Get(), sink);
    ASSERT_EQ(S_OK, here->put_TimerInterVal(100));
    ASSERT_EQ(S_OK, AddAt(here.Get(), L"here", NowPlus(1)));
    _Schedule *left_behind = nullptr;
    {
        StaThread ending;
        ending.Run([&] {
            left_behind = NewSchedule().Detach();
            left_behind->put_TimerInterVal(10);
            AddAt(left_behind, L"there", NowPlus(3600));
        });
    } // its timer ends with it, still running
    EXPECT_TRUE(PumpUntil([&] { return !sink.keys.empty(); }, 3000));
    EXPECT_EQ(std::vector<std::wstring>{L"here"}, sink.keys);
    left_behind->Release();
    here.Reset();
    EXPECT_EQ(S_OK, CanUnloadNow()) << "a timer that ended with its thread still holds the module";
}

TEST(CallerCode, NaNIsANumberThatDoesNotFit) {
    ComPtr<_Schedule> s = NewSchedule();
    for (DISPID id : {kInterval, kTimerInterVal})
        for (double bad : {std::nan(""), -HUGE_VAL}) {
            EXPECT_EQ(DISP_E_OVERFLOW, CallId(s.Get(), id, DISPATCH_PROPERTYPUT, {R8(bad)}).hr);
            ValueObject *value = ValueObject::Create(R8(bad), nullptr);
            EXPECT_EQ(DISP_E_OVERFLOW,
                      CallId(s.Get(), id, DISPATCH_PROPERTYPUT, {Object(value)}).hr);
        }
    EXPECT_EQ(60000, CallId(s.Get(), kTimerInterVal, DISPATCH_PROPERTYGET, {}).Long());
    EXPECT_EQ(DISP_E_OVERFLOW, Call(s.Get(), {L"AddSchedule", L"hr"}, DISPATCH_METHOD,
                                    {Str(L"n"), I4(0)}, {R8(std::nan(""))})
                                   .hr);
}

TEST(CallerCode, ConventionsOfTheBoundary) {
    ComPtr<_Schedule> s = NewSchedule();
    // A property write leaves pVarResult as it was; a surplus argument is a wrong count.
    VARIANT values[] = {I4(1000), I4(5)};
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS one{values, &put, 1, 1}, surplus{values, &put, 2, 1};
    VARIANT result = I4(12345);
    EXPECT_EQ(S_OK, s->Invoke(kTimerInterVal, IID_NULL, 0, DISPATCH_PROPERTYPUT, &one, &result,
                              nullptr, nullptr));
    EXPECT_EQ(VT_I4, V_VT(&result));
    EXPECT_EQ(12345, V_I4(&result));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, s->Invoke(kInterval, IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                              &surplus, nullptr, nullptr, nullptr));

    // VT_ERROR | VT_BYREF holding DISP_E_PARAMNOTFOUND is a missing argument.
    SCODE not_found = DISP_E_PARAMNOTFOUND;
    VARIANT missing;
    V_VT(&missing) = VT_ERROR | VT_BYREF;
    V_ERRORREF(&missing) = &not_found;
    EXPECT_EQ(
        S_OK,
        Call(s.Get(), {L"AddSchedule", L"hr"}, DISPATCH_METHOD, {Str(L"m"), I4(0)}, {missing}).hr);
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL,
              Call(s.Get(), {L"AddSchedule"}, DISPATCH_METHOD, {Str(L"n"), missing}).hr);

    ComPtr<IDispatch> items;
    ASSERT_EQ(S_OK, s->get_GetSchedules(&items));
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(S_OK, items.As(&support));
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IDispatch));
    // A failed vtable Item leaves its out-VARIANT empty.
    ComPtr<_Collection> collection;
    ASSERT_EQ(S_OK, items.As(&collection));
    VARIANT index = I4(99), out = I4(7);
    EXPECT_EQ(Err(9), collection->Item(&index, &out));
    EXPECT_EQ(VT_EMPTY, V_VT(&out));
}

} // namespace
