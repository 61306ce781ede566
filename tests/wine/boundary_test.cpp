// Faults that callers once found at the dispatch boundary, each as a case of its own.
#include "caller_memory.h"

namespace {

constexpr DISPID kAddSchedule = 0x60030012, kRemoveSchedule = 0x60030013, kNextTime = 0x6803000F;

// Invokes `id` with `args` in DISPPARAMS order and the first ones named by `named`; true when
// the caller's arguments came back untouched and unfreed.
bool OnlyRead(IDispatch *object, DISPID id, WORD flags, std::vector<VARIANT> &args,
              HRESULT expected, std::vector<DISPID> named = {}, UINT expected_arg_err = ~0u) {
    const FreeSpy &spy = FreeSpy::Instance();
    const ArgumentSnapshot before(args.data(), static_cast<UINT>(args.size()));
    DISPPARAMS params{args.data(), named.data(), static_cast<UINT>(args.size()),
                      static_cast<UINT>(named.size())};
    VARIANT result;
    VariantInit(&result);
    UINT arg_err = ~0u;
    EXPECT_EQ(expected,
              object->Invoke(id, IID_NULL, 0, flags, &params, &result, nullptr, &arg_err));
    EXPECT_EQ(expected_arg_err, arg_err);
    VariantClear(&result);
    bool freed = false;
    for (BSTR text : before.Strings())
        freed = freed || spy.Freed(text);
    return !freed && before.Unchanged();
}

struct CallerMemory : testing::Test {
    void SetUp() override {
        if (!StringsReallyFreed())
            GTEST_SKIP() << "strings are cached: run with OANOCACHE=1";
    }
};

TEST_F(CallerMemory, StringsByValueOrInAVariableAreNeitherFreedNorWritten) {
    ComPtr<_Schedule> s = NewSchedule();
    std::vector<VARIANT> remove{Str(L"byval")};
    EXPECT_TRUE(OnlyRead(s.Get(), kRemoveSchedule, DISPATCH_METHOD, remove, S_OK));
    // An hour given as a string converts; the string stays the caller's.
    // In DISPPARAMS order, sec first: an hour given as a string converts; the string stays
    // the caller's.
    std::vector<VARIANT> add{I4(0), I4(0), Str(L"                              7"),
                             I4(0), I4(0), I4(0),
                             I4(0), I4(0), Str(L"x")};
    EXPECT_TRUE(OnlyRead(s.Get(), kAddSchedule, DISPATCH_METHOD, add, S_OK));
    Outcome next_time = Call(s.Get(), {L"NextTime"}, DISPATCH_PROPERTYGET, {Str(L"x")});
    EXPECT_EQ(7, Parts(next_time.Date()).wHour);

    VARIANT name = Str(L"x");
    std::vector<VARIANT> next{Ref(&name)};
    EXPECT_TRUE(OnlyRead(s.Get(), kNextTime, DISPATCH_PROPERTYGET, next, S_OK));
    std::vector<VARIANT> by_variable{I4(0), Ref(&name)}; // the name is taken
    EXPECT_TRUE(OnlyRead(s.Get(), kAddSchedule, DISPATCH_METHOD, by_variable, DISP_E_EXCEPTION));
    std::vector<VARIANT> gone{Ref(&name)};
    EXPECT_TRUE(OnlyRead(s.Get(), kRemoveSchedule, DISPATCH_METHOD, gone, S_OK));
    VariantClear(&name);
    for (auto *list : {&remove, &add})
        for (VARIANT &arg : *list)
            VariantClear(&arg);
}

TEST_F(CallerMemory, NamedArgumentsBeyondTheParametersAreRefusedAtOnce) {
    ComPtr<_Schedule> s = NewSchedule();
    for (DISPID stray : {100, 1000000}) {
        std::vector<VARIANT> args{I4(8), Str(L"late"), I4(0)};
        EXPECT_TRUE(OnlyRead(s.Get(), kAddSchedule, DISPATCH_METHOD, args, DISP_E_PARAMNOTFOUND,
                             {stray, 0, 1}, 0));
        VariantClear(&args[1]);
    }
    std::vector<VARIANT> twice{Str(L"late"), Str(L"late"), I4(0)};
    EXPECT_TRUE(OnlyRead(s.Get(), kAddSchedule, DISPATCH_METHOD, twice, DISP_E_PARAMNOTFOUND,
                         {0, 0, 1}, 1));
    for (VARIANT &arg : twice)
        VariantClear(&arg);
    EXPECT_EQ(Err(50004), Call(s.Get(), {L"NextTime"}, DISPATCH_PROPERTYGET, {Str(L"late")}).scode);
}

TEST(Boundary, EachFailureDescribesItselfNotAnEarlierOne) {
    ComPtr<_Schedule> s = NewSchedule();
    ComPtr<IDispatch> items;
    ASSERT_EQ(S_OK, s->get_GetSchedules(&items));
    BSTR nope = SysAllocString(L"nope");
    DATE when = 0;
    EXPECT_EQ(Err(50004), s->get_NextTime(&nope, &when));
    SysFreeString(nope);
    // Item(99) without EXCEPINFO leaves its error information behind, too.
    VARIANT index = I4(99);
    DISPPARAMS one{&index, nullptr, 1, 0};
    EXPECT_EQ(DISP_E_EXCEPTION, items->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, &one,
                                              nullptr, nullptr, nullptr));

    EXPECT_EQ(DISP_E_BADPARAMCOUNT, CallId(items.Get(), DISPID_VALUE, DISPATCH_METHOD, {}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, CallId(items.Get(), 2, DISPATCH_PROPERTYGET, {I4(1)}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, CallId(items.Get(), 3, DISPATCH_METHOD, {}).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, CallId(items.Get(), 77, DISPATCH_METHOD, {}).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, CallId(s.Get(), 77, DISPATCH_METHOD, {}).hr);
    ComPtr<IErrorInfo> stale;
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, &stale));
    Outcome own = CallId(items.Get(), DISPID_VALUE, DISPATCH_METHOD, {Str(L"none")});
    EXPECT_EQ(Err(5), own.scode);
    EXPECT_EQ(L"Invalid procedure call or argument", own.description);
    // A vtable call refused for a null pointer leaves no earlier call's description either.
    ASSERT_EQ(S_OK, GetErrorInfo(0, &stale));
    SetErrorInfo(0, stale.Get());
    EXPECT_EQ(E_POINTER, s->get_NextTime(nullptr, &when));
    stale.Reset();
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, &stale));
    EXPECT_EQ(E_POINTER, s->GetTypeInfo(0, 0, nullptr));
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, s.As(&container));
    EXPECT_EQ(E_POINTER, container->EnumConnectionPoints(nullptr));
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID___Schedule, &point));
    ComPtr<IConnectionPointContainer> back;
    EXPECT_EQ(S_OK, point->GetConnectionPointContainer(&back));
    EXPECT_EQ(container.Get(), back.Get());
    EXPECT_EQ(E_POINTER, point->GetConnectionPointContainer(nullptr));
}

} // namespace
