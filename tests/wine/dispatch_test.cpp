// The control and its collection through IDispatch, the way script hosts call them.
#include "host.h"

namespace {

constexpr WORD kMethod = DISPATCH_METHOD;
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;

SHORT TimeOf(IDispatch *s, const wchar_t *name) {
    Outcome next = Call(s, {L"NextTime"}, kGet, {Str(name)});
    EXPECT_EQ(S_OK, next.hr);
    const SYSTEMTIME t = Parts(next.Date());
    return static_cast<SHORT>(t.wHour * 100 + t.wMinute);
}

TEST(Dispatch, NamesHaveTheirIds) {
    ComPtr<_Schedule> s = NewSchedule();
    const std::pair<const wchar_t *, DISPID> members[] = {
        {L"AddSchedule", 0x60030012},       {L"RemoveSchedule", 0x60030013},
        {L"RemoveAllSchedule", 0x60030014}, {L"TimerInterVal", 0x68030011},
        {L"GetSchedules", 0x68030010},      {L"NextTime", 0x6803000F},
        {L"Interval", 0x6803000E}};
    for (const auto &[name, id] : members) {
        LPOLESTR text = const_cast<LPOLESTR>(name);
        DISPID got = 0;
        EXPECT_EQ(S_OK, s->GetIDsOfNames(IID_NULL, &text, 1, 0, &got)) << name;
        EXPECT_EQ(id, got) << name;
    }
    const wchar_t *add[] = {L"AddSchedule", L"index", L"ty", L"yr",  L"mon",
                            L"wk",          L"dy",    L"hr", L"min", L"sec"};
    DISPID ids[10];
    EXPECT_EQ(S_OK, s->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR *>(add), 10, 0, ids));
    for (DISPID i = 1; i < 10; ++i)
        EXPECT_EQ(i - 1, ids[i]);
}

TEST(Dispatch, OmittedNamedAndVariableArgumentsAreRead) {
    ComPtr<_Schedule> s = NewSchedule();
    // Only index and ty: the seven numbers are 0.
    EXPECT_EQ(S_OK, Call(s.Get(), {L"AddSchedule"}, kMethod, {Str(L"zero"), I4(0)}).hr);
    EXPECT_EQ(0, TimeOf(s.Get(), L"zero"));
    // By name: hr alone.
    EXPECT_EQ(S_OK, Call(s.Get(), {L"AddSchedule", L"hr", L"index", L"ty"}, kMethod, {},
                         {I4(8), Str(L"eight"), I4(0)})
                        .hr);
    EXPECT_EQ(800, TimeOf(s.Get(), L"eight"));
    // Variables by reference, omitted arguments in the middle, a 16-bit minute.
    VARIANT name = Str(L"half past"), ty = I4(0), hour = I4(9), minute;
    V_VT(&minute) = VT_I2;
    V_I2(&minute) = 30;
    const BSTR text = V_BSTR(&name);
    EXPECT_EQ(S_OK, Call(s.Get(), {L"AddSchedule"}, kMethod,
                         {Ref(&name), Ref(&ty), Missing(), Missing(), Missing(), Missing(),
                          Ref(&hour), Ref(&minute)})
                        .hr);
    EXPECT_EQ(930, TimeOf(s.Get(), L"half past"));
    EXPECT_EQ(VT_BSTR, V_VT(&name));
    EXPECT_EQ(text, V_BSTR(&name));
    EXPECT_EQ(L"half past", Text(V_BSTR(&name)));
    EXPECT_EQ(9, V_I4(&hour));
    // A string by reference, as compiled hosts pass it.
    BSTR key = SysAllocString(L"half past");
    VARIANT by_ref;
    V_VT(&by_ref) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&by_ref) = &key;
    EXPECT_EQ(S_OK, Call(s.Get(), {L"RemoveSchedule"}, kMethod, {by_ref}).hr);
    EXPECT_EQ(L"half past", Text(key));
    EXPECT_EQ(Err(50004), Call(s.Get(), {L"NextTime"}, kGet, {Ref(&name)}).scode);
    SysFreeString(key);
    VariantClear(&name);
}

TEST(Dispatch, PropertiesShareTheirIdAndReadOnlyOnesRefuseWrites) {
    ComPtr<_Schedule> s = NewSchedule();
    EXPECT_EQ(S_OK, CallId(s.Get(), 0x6803000E, kPut, {I4(100)}).hr);
    Outcome interval = CallId(s.Get(), 0x68030011, kGet, {});
    EXPECT_EQ(VT_I4, V_VT(&interval.value));
    EXPECT_EQ(100, V_I4(&interval.value));
    EXPECT_EQ(S_OK, CallId(s.Get(), 0x68030011, kPut, {I4(40000)}).hr);
    EXPECT_EQ(Err(6), CallId(s.Get(), 0x6803000E, kGet, {}).scode);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, CallId(s.Get(), 0x68030010, kPut, {I4(1)}).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, CallId(s.Get(), 0x6803000F, kPut, {Str(L"a"), I4(1)}).hr);
    Outcome empty = CallId(s.Get(), 0x68030010, kGet, {});
    ASSERT_EQ(VT_DISPATCH, V_VT(&empty.value));
    EXPECT_EQ(0, Call(V_DISPATCH(&empty.value), {L"Count"}, kGet, {}).Long());
}

TEST(Dispatch, ErrorsReachBothKindsOfCaller) {
    const struct {
        const wchar_t *name;
        LONG args[8]; // ty yr mon wk dy hr min sec
        HRESULT hr;
        const wchar_t *source, *description;
    } cases[] = {
        {L"a", {0, 0, 0, 0, 0, 24}, Err(50001), L"AddSchedule", L"invalid date value.hr = 24"},
        {L"a", {0, 0, 0, 0, 0, 0, 60}, Err(50001), L"AddSchedule", L"invalid date value.min = 60"},
        {L"a",
         {0, 0, 0, 0, 0, 0, 0, -1},
         Err(50001),
         L"AddSchedule",
         L"invalid date value.sec = -1"},
        {L"a", {1, 0, 0, 7}, Err(50001), L"AddSchedule", L"invalid date value.wk = 7"},
        {L"a", {2, 0, 0, 0, 29}, Err(50001), L"AddSchedule", L"invalid date value.day = 29"},
        {L"a",
         {3, 2099, 2, 0, 29},
         Err(50001),
         L"AddSchedule",
         L"invalid date value.date = 2099/2/29"},
        {L"a", {7}, Err(50002), L"AddSchedule", L"ty = 7"},
        {L"taken", {0}, Err(50003), L"Halvorix.AddSchedule", L"used key of taken"},
        {L"a", {0, 40000}, Err(6), L"Quorvane", L"Overflow"},
        {L"a", {0, 10000, 1, 0, 1}, Err(5), L"Quorvane", L"Invalid procedure call or argument"},
    };
    ComPtr<_Schedule> s = NewSchedule();
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(S_OK, s.As(&support));
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID__Schedule));
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IDispatch)); // Invoke sets it too
    EXPECT_EQ(S_OK, Call(s.Get(), {L"AddSchedule"}, kMethod, {Str(L"taken"), I4(0)}).hr);
    for (const auto &c : cases) {
        std::vector<VARIANT> args{Str(c.name)};
        for (LONG value : c.args)
            args.push_back(I4(value));
        Outcome by_name = Call(s.Get(), {L"AddSchedule"}, kMethod, args);
        EXPECT_EQ(DISP_E_EXCEPTION, by_name.hr);
        EXPECT_EQ(c.hr, by_name.scode) << c.description;
        EXPECT_EQ(c.source, by_name.source);
        EXPECT_EQ(c.description, by_name.description);

        BSTR index = SysAllocString(c.name);
        LONG f[8];
        std::copy(std::begin(c.args), std::end(c.args), f);
        const Raised raised =
            ErrorOf(s->AddSchedule(&index, reinterpret_cast<schDateType *>(&f[0]), &f[1], &f[2],
                                   &f[3], &f[4], &f[5], &f[6], &f[7]));
        EXPECT_EQ(c.hr, raised.hr);
        EXPECT_EQ(c.source, raised.source);
        EXPECT_EQ(c.description, raised.description);
        SysFreeString(index);
    }
    Outcome missing = Call(s.Get(), {L"NextTime"}, kGet, {Str(L"nobody")});
    EXPECT_EQ(Err(50004), missing.scode);
    EXPECT_EQ(L"Halvorix.NextTime", missing.source);
    EXPECT_EQ(L"invalid ScheduleName of nobody", missing.description);
    Outcome overflow = Call(s.Get(), {L"Interval"}, kGet, {});
    EXPECT_EQ(Err(6), overflow.scode);
}

TEST(Dispatch, CollectionAnswersWithoutTypeLibrary) {
    ComPtr<_Schedule> s = NewSchedule();
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"b", 73051.5));
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"a", 73050.25));
    Outcome got = Call(s.Get(), {L"GetSchedules"}, kGet, {});
    IDispatch *items = V_DISPATCH(&got.value);
    UINT infos = 1;
    EXPECT_EQ(S_OK, items->GetTypeInfoCount(&infos));
    EXPECT_EQ(0u, infos);
    EXPECT_EQ(2, Call(items, {L"Count"}, kGet, {}).Long());
    EXPECT_EQ(73051.5, CallId(items, DISPID_VALUE, kMethod | kGet, {Str(L"b")}).Date());
    EXPECT_EQ(73050.25, Call(items, {L"Item"}, kMethod, {I4(1)}).Date());
    EXPECT_EQ(S_OK, Call(items, {L"add"}, kMethod, {Str(L"x"), Str(L"c"), Missing(), I4(2)}).hr);
    EXPECT_EQ(L"x", CallId(items, DISPID_VALUE, kGet, {I4(3)}).String());
    EXPECT_EQ(S_OK, Call(items, {L"Remove"}, kMethod, {Str(L"a")}).hr);

    Outcome duplicate = Call(items, {L"Add"}, kMethod, {I4(1), Str(L"b")});
    EXPECT_EQ(Err(457), duplicate.scode);
    EXPECT_EQ(L"This key is already associated with an element of this collection",
              duplicate.description);
    EXPECT_EQ(Err(5), Call(items, {L"Item"}, kMethod, {Str(L"a")}).scode);
    EXPECT_EQ(Err(9), Call(items, {L"Remove"}, kMethod, {I4(0)}).scode);
    Outcome walk = CallId(items, DISPID_NEWENUM, kMethod | kGet, {});
    ASSERT_EQ(VT_UNKNOWN, V_VT(&walk.value));
    ComPtr<IEnumVARIANT> each;
    EXPECT_EQ(S_OK, V_UNKNOWN(&walk.value)->QueryInterface(IID_PPV_ARGS(&each)));
    // The entry itself is still there.
    EXPECT_EQ(S_OK, Call(s.Get(), {L"NextTime"}, kGet, {Str(L"a")}).hr);
}

// The conventions of IDispatch::Invoke that script hosts and compiled callers rely on, each
// checked on its own: what the control answers and which argument it blames (puArgErr, an index
// into rgvarg; ~0u: none).
constexpr DISPID kAddSchedule = 0x60030012, kNextTime = 0x6803000F, kInterval = 0x6803000E,
                 kTimerInterVal = 0x68030011;
constexpr UINT kNone = ~0u;

struct Invoked {
    HRESULT hr;
    UINT arg_err;
};

void ExpectInvoked(Invoked expected, const Outcome &got) {
    EXPECT_EQ(expected.hr, got.hr);
    EXPECT_EQ(expected.arg_err, got.arg_err);
}

// VT_ERROR | VT_BYREF: an error value (by default a missing argument) as a compiled caller
// passes a variable holding one.
VARIANT ErrorByRef(SCODE &held, SCODE value = DISP_E_PARAMNOTFOUND) {
    held = value;
    VARIANT v;
    V_VT(&v) = VT_ERROR | VT_BYREF;
    V_ERRORREF(&v) = &held;
    return v;
}

// A property write's value comes as the named argument DISPID_PROPERTYPUT and is not counted
// among the positional ones: a write with one more is a wrong count, not a clash of names.
TEST(DispatchConventions, APropertyWritesValueIsNotAPositionalArgument) {
    ComPtr<_Schedule> s = NewSchedule();
    const std::vector<DISPID> put{DISPID_PROPERTYPUT};
    for (DISPID id : {kTimerInterVal, kInterval}) {
        SCOPED_TRACE(id);
        ExpectInvoked({S_OK, kNone}, InvokeWith(s.Get(), id, kPut, {I4(1000)}, put));
        ExpectInvoked({DISP_E_BADPARAMCOUNT, kNone},
                      InvokeWith(s.Get(), id, kPut, {I4(2000), I4(7)}, put));
        ExpectInvoked({DISP_E_BADPARAMCOUNT, kNone},
                      InvokeWith(s.Get(), id, kPut, {I4(2000), I4(7), I4(8)}, put));
    }
    EXPECT_EQ(1000, CallId(s.Get(), kTimerInterVal, kGet, {}).Long());
}

// A required parameter given as missing (VT_ERROR DISP_E_PARAMNOTFOUND, by position or by
// name) is DISP_E_PARAMNOTOPTIONAL, blaming that argument; one not given at all is a wrong
// count.
TEST(DispatchConventions, AMissingRequiredArgumentIsNotOptional) {
    ComPtr<_Schedule> s = NewSchedule();
    ExpectInvoked({DISP_E_PARAMNOTOPTIONAL, 1},
                  InvokeWith(s.Get(), kAddSchedule, kMethod, {I4(0), Missing()}));
    ExpectInvoked({DISP_E_PARAMNOTOPTIONAL, 0},
                  InvokeWith(s.Get(), kAddSchedule, kMethod, {Missing(), Str(L"a")}));
    ExpectInvoked({DISP_E_PARAMNOTOPTIONAL, 0},
                  InvokeWith(s.Get(), kAddSchedule, kMethod, {Missing(), Str(L"a")}, {1}));
    ExpectInvoked({DISP_E_PARAMNOTOPTIONAL, 2},
                  InvokeWith(s.Get(), kAddSchedule, kMethod, {I4(8), I4(0), Missing()}, {5}));
    ExpectInvoked({DISP_E_PARAMNOTOPTIONAL, 0}, InvokeWith(s.Get(), kNextTime, kGet, {Missing()}));
    ExpectInvoked({DISP_E_BADPARAMCOUNT, kNone},
                  InvokeWith(s.Get(), kAddSchedule, kMethod, {Str(L"a")}));
    ExpectInvoked({DISP_E_BADPARAMCOUNT, kNone}, InvokeWith(s.Get(), kNextTime, kGet, {}));
    // Nothing was added on the way.
    EXPECT_EQ(Err(50004), Call(s.Get(), {L"NextTime"}, kGet, {Str(L"a")}).scode);
}

// A missing argument passed by reference (VT_ERROR | VT_BYREF, or a variable holding one) is
// missing all the same: an optional parameter takes its default, a required one is not
// optional; any other error value by reference is no number.
TEST(DispatchConventions, AMissingArgumentByReferenceIsMissing) {
    ComPtr<_Schedule> s = NewSchedule();
    SCODE held[4];
    // index "r", ty 0 (daily), hr 9, min missing by reference: 9:00.
    ExpectInvoked({S_OK, kNone}, InvokeWith(s.Get(), kAddSchedule, kMethod,
                                            {ErrorByRef(held[0]), I4(9), I4(0), I4(0), I4(0), I4(0),
                                             I4(0), Str(L"r")}));
    EXPECT_EQ(900, TimeOf(s.Get(), L"r"));
    ExpectInvoked({S_OK, kNone}, InvokeWith(s.Get(), kAddSchedule, kMethod,
                                            {ErrorByRef(held[1]), I4(0), Str(L"named")}, {7}));
    EXPECT_EQ(0, TimeOf(s.Get(), L"named"));
    ExpectInvoked({DISP_E_PARAMNOTOPTIONAL, 0},
                  InvokeWith(s.Get(), kAddSchedule, kMethod, {ErrorByRef(held[2]), Str(L"t")}));
    VARIANT variable = Missing();
    ExpectInvoked({DISP_E_PARAMNOTOPTIONAL, 1},
                  InvokeWith(s.Get(), kAddSchedule, kMethod, {I4(0), Ref(&variable)}));
    ExpectInvoked({DISP_E_TYPEMISMATCH, 0},
                  InvokeWith(s.Get(), kAddSchedule, kMethod,
                             {ErrorByRef(held[3], E_FAIL), I4(0), Str(L"e")}));
    EXPECT_EQ(Err(50004), Call(s.Get(), {L"NextTime"}, kGet, {Str(L"t")}).scode);
    EXPECT_EQ(Err(50004), Call(s.Get(), {L"NextTime"}, kGet, {Str(L"e")}).scode);
}

} // namespace
