// The control through the vtable of _Schedule, and the collection through _Collection.
#include "host.h"

#include <cmath>

namespace {

double TimeOfDay(DATE date) {
    return std::round((date - std::floor(date)) * 86400.0);
}

TEST(Vtable, EveryMemberReadsItsArgumentsAndLeavesThem) {
    ComPtr<_Schedule> s = NewSchedule();
    LONG interval = 0;
    EXPECT_EQ(S_OK, s->get_TimerInterVal(&interval));
    EXPECT_EQ(60000, interval);
    short narrow = 0;
    EXPECT_EQ(Err(6), s->get_Interval(&narrow));
    EXPECT_EQ(S_OK, s->put_Interval(-1000));
    EXPECT_EQ(S_OK, s->get_TimerInterVal(&interval));
    EXPECT_EQ(-1000, interval);
    EXPECT_EQ(S_OK, s->put_TimerInterVal(32767));
    EXPECT_EQ(S_OK, s->get_Interval(&narrow));
    EXPECT_EQ(32767, narrow);

    // The seven numbers may be null pointers: they read as 0, a daily entry at midnight.
    BSTR name = SysAllocString(L"Midnight");
    const BSTR original = name;
    schDateType ty = schEveryDay;
    EXPECT_EQ(S_OK, s->AddSchedule(&name, &ty, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr));
    LONG yr = 0, mon = 0, wk = 3, dy = 0, hr = 7, min = 15, sec = 30;
    BSTR weekly = SysAllocString(L"Weekly");
    schDateType week = schEveryWeek;
    EXPECT_EQ(S_OK, s->AddSchedule(&weekly, &week, &yr, &mon, &wk, &dy, &hr, &min, &sec));
    EXPECT_EQ(original, name);
    EXPECT_EQ(L"Midnight", Text(name));
    EXPECT_EQ(schEveryWeek, week);
    EXPECT_EQ(3, wk);
    EXPECT_EQ(30, sec);

    DATE midnight = 0, weekday = 0;
    EXPECT_EQ(S_OK, s->get_NextTime(&name, &midnight));
    EXPECT_EQ(0, TimeOfDay(midnight));
    EXPECT_EQ(S_OK, s->get_NextTime(&weekly, &weekday));
    EXPECT_EQ(7 * 3600 + 15 * 60 + 30, TimeOfDay(weekday));
    EXPECT_EQ(3, Parts(weekday).wDayOfWeek);

    ComPtr<IDispatch> before;
    EXPECT_EQ(S_OK, s->get_GetSchedules(&before));
    EXPECT_EQ(S_OK, s->RemoveSchedule(&weekly));
    EXPECT_EQ(S_OK, s->RemoveSchedule(&weekly)); // not there: no error
    EXPECT_EQ(Err(50004), s->get_NextTime(&weekly, &weekday));
    EXPECT_EQ(L"Weekly", Text(weekly));
    EXPECT_EQ(S_OK, s->RemoveAllSchedule());

    // The collection read before is a snapshot, in due order, under the names.
    ComPtr<_Collection> items;
    ASSERT_EQ(S_OK, before.As(&items));
    LONG count = 0;
    EXPECT_EQ(S_OK, items->Count(&count));
    EXPECT_EQ(2, count);
    VARIANT key = Str(L"Weekly"), value;
    EXPECT_EQ(S_OK, items->Item(&key, &value));
    EXPECT_EQ(VT_DATE, V_VT(&value));
    EXPECT_EQ(weekday, V_DATE(&value));
    VariantClear(&key);
    ComPtr<IDispatch> after;
    EXPECT_EQ(S_OK, s->get_GetSchedules(&after));
    EXPECT_EQ(S_OK, after.As(&items));
    EXPECT_EQ(S_OK, items->Count(&count));
    EXPECT_EQ(0, count);
    SysFreeString(name);
    SysFreeString(weekly);
}

TEST(Vtable, CollectionKeepsOrderKeysAndRaisesTheRuntimeErrors) {
    ComPtr<_Schedule> s = NewSchedule();
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Late", 73051.5));   // 2100-01-01 12:00
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Early", 73050.25)); // 2099-12-31 06:00
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, s->get_GetSchedules(&dispatch));
    ComPtr<_Collection> items;
    ASSERT_EQ(S_OK, dispatch.As(&items));

    VARIANT first = I4(1), late = Str(L"Late"), value;
    EXPECT_EQ(S_OK, items->Item(&first, &value));
    EXPECT_EQ(73050.25, V_DATE(&value));
    VARIANT key = Str(L"Middle"), after = I4(1), item = I4(42);
    EXPECT_EQ(S_OK, items->Add(&item, &key, nullptr, &after));
    VARIANT second = I4(2);
    EXPECT_EQ(S_OK, items->Item(&second, &value));
    EXPECT_EQ(42, V_I4(&value));
    EXPECT_EQ(S_OK, items->Remove(&late));

    const struct {
        HRESULT hr;
        std::function<HRESULT()> call;
    } failures[] = {
        {Err(5), [&] { return items->Item(&late, &value); }},
        {Err(9),
         [&] {
             VARIANT nine = I4(9);
             return items->Item(&nine, &value);
         }},
        {Err(457), [&] { return items->Add(&item, &key, nullptr, nullptr); }},
    };
    const std::wstring descriptions[] = {
        L"Invalid procedure call or argument", L"Subscript out of range",
        L"This key is already associated with an element of this collection"};
    for (int i = 0; i < 3; ++i) {
        const Raised raised = ErrorOf(failures[i].call());
        EXPECT_EQ(failures[i].hr, raised.hr);
        EXPECT_EQ(descriptions[i], raised.description);
    }

    // For Each walks the items in order through IEnumVARIANT.
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, items->_NewEnum(&unknown));
    ComPtr<IEnumVARIANT> walk;
    ASSERT_EQ(S_OK, unknown.As(&walk));
    VARIANT got[3];
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, walk->Next(3, got, &fetched));
    ASSERT_EQ(2u, fetched);
    EXPECT_EQ(73050.25, V_DATE(&got[0]));
    EXPECT_EQ(42, V_I4(&got[1]));
    EXPECT_EQ(S_OK, walk->Reset());
    EXPECT_EQ(S_OK, walk->Skip(1));
    ComPtr<IEnumVARIANT> clone;
    EXPECT_EQ(S_OK, walk->Clone(&clone));
    EXPECT_EQ(S_OK, clone->Next(1, got, nullptr));
    EXPECT_EQ(42, V_I4(&got[0]));
    EXPECT_EQ(S_FALSE, clone->Skip(2));

    // A walk begun before a change goes on over the items as they were; a new one sees it.
    EXPECT_EQ(S_OK, items->Remove(&first));
    EXPECT_EQ(S_OK, items->Add(&item, nullptr, &first, nullptr));
    EXPECT_EQ(S_OK, items->Add(&item, nullptr, nullptr, nullptr));
    EXPECT_EQ(S_OK, walk->Reset());
    EXPECT_EQ(S_FALSE, walk->Next(3, got, &fetched));
    ASSERT_EQ(2u, fetched);
    EXPECT_EQ(73050.25, V_DATE(&got[0]));
    EXPECT_EQ(42, V_I4(&got[1]));
    ASSERT_EQ(S_OK, items->_NewEnum(&unknown));
    ASSERT_EQ(S_OK, unknown.As(&walk));
    EXPECT_EQ(S_OK, walk->Next(3, got, &fetched));
    EXPECT_EQ(42, V_I4(&got[0]));
    VariantClear(&late);
    VariantClear(&key);
}

} // namespace
