// A seeded fuzz of IDispatch::Invoke on the control and on its collection: random members and
// flags, argument counts, shapes and types, named arguments valid and not, null out-pointers.
// After every call the caller's arguments must be as they were and none of its strings freed;
// every failure must be an HRESULT, and the module must be free to unload at the end.
// QUORVANE_FUZZ_SEED repeats a run; QUORVANE_FUZZ_CALLS sets its length.
#include "caller_memory.h"

#include <cmath>
#include <cstdlib>
#include <deque>
#include <limits>
#include <random>
#include <string>

namespace {

unsigned Setting(const char *name, unsigned otherwise) {
    const char *value = std::getenv(name);
    return value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : otherwise;
}

// Everything one call's arguments hold, owned as a caller owns it.
class CallerArguments {
public:
    std::vector<VARIANT> args;
    std::vector<DISPID> named;

    CallerArguments(std::mt19937 &random, IDispatch *object) : random_(random), object_(object) {}
    CallerArguments(const CallerArguments &) = delete;
    ~CallerArguments() {
        for (VARIANT &arg : args)
            VariantClear(&arg);
        for (VARIANT &target : targets_)
            VariantClear(&target);
        for (BSTR text : strings_)
            SysFreeString(text);
    }

    // Half the time a small number, which every parameter takes; else any shape at all.
    VARIANT Any(int depth = 0) {
        VARIANT v;
        VariantInit(&v);
        if (Pick(2)) {
            V_VT(&v) = VT_I4;
            V_I4(&v) = static_cast<LONG>(Pick(9));
            return v;
        }
        switch (Pick(depth < 2 ? 16 : 12)) {
        case 0:
            break;
        case 1:
            V_VT(&v) = VT_NULL;
            break;
        case 2:
        case 3:
            V_VT(&v) = VT_I4;
            V_I4(&v) = Number();
            break;
        case 4:
            V_VT(&v) = VT_I2;
            V_I2(&v) = static_cast<SHORT>(Number());
            break;
        case 5: {
            const double doubles[] = {std::nan(""), INFINITY, 1e300, -0.5, 7.0, 45000.25};
            V_VT(&v) = Pick(2) ? VT_R8 : VT_DATE;
            V_R8(&v) = doubles[Pick(6)];
            break;
        }
        case 6:
            V_VT(&v) = VT_BOOL;
            V_BOOL(&v) = Pick(2) ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case 7:
        case 8:
            V_VT(&v) = VT_BSTR;
            V_BSTR(&v) = Text();
            break;
        case 9:
            V_VT(&v) = VT_ERROR;
            V_ERROR(&v) = Pick(4) ? DISP_E_PARAMNOTFOUND : E_FAIL;
            break;
        case 10: {
            V_VT(&v) = VT_ARRAY | VT_I4;
            V_ARRAY(&v) = SafeArrayCreateVector(VT_I4, 0, 3);
            break;
        }
        case 11:
            V_VT(&v) = Pick(2) ? VT_DISPATCH : VT_UNKNOWN;
            V_DISPATCH(&v) = Pick(2) ? object_ : nullptr;
            if (V_DISPATCH(&v))
                V_DISPATCH(&v)->AddRef();
            break;
        case 12:
            strings_.push_back(Text());
            V_VT(&v) = VT_BSTR | VT_BYREF;
            V_BSTRREF(&v) = &strings_.back();
            break;
        case 13:
            longs_.push_back(Number());
            V_VT(&v) = VT_I4 | VT_BYREF;
            V_I4REF(&v) = &longs_.back();
            break;
        default: // a script engine's variable
            targets_.push_back(Any(depth + 1));
            V_VT(&v) = VT_VARIANT | VT_BYREF;
            V_VARIANTREF(&v) = &targets_.back();
        }
        return v;
    }

    unsigned Pick(unsigned count) { return random_() % count; }

private:
    LONG Number() {
        const LONG numbers[] = {0,  1,     2,     3,    4,
                                7,  23,    24,    59,   60,
                                -1, 32767, 32768, 2026, std::numeric_limits<LONG>::min()};
        return Pick(5) ? numbers[Pick(15)] : static_cast<LONG>(random_());
    }

    BSTR Text() {
        switch (Pick(40)) {
        case 0:
            return nullptr;
        case 1:
            return SysAllocStringLen(L"x\0y", 3);
        case 2:
            return SysAllocString(L"                              7");
        case 3:
            if (Pick(8) == 0)
                return SysAllocStringLen(std::wstring(1 << 19, L'm').c_str(), 1 << 19); // 1 MB
            [[fallthrough]];
        default: {
            const wchar_t *names[] = {L"a", L"b", L"Tea", L"tea", L"", L"7", L"12", L"2026"};
            return SysAllocString(names[Pick(8)]);
        }
        }
    }

    std::mt19937 &random_;
    IDispatch *object_;
    std::deque<VARIANT> targets_;
    std::deque<BSTR> strings_;
    std::deque<LONG> longs_;
};

TEST(DispatchFuzz, CallerMemoryIsOnlyReadWhateverTheCall) {
    const unsigned seed = Setting("QUORVANE_FUZZ_SEED", GetTickCount());
    const unsigned calls = Setting("QUORVANE_FUZZ_CALLS", 20000);
    std::cout << "seed " << seed << ", " << calls << " calls\n";
    std::mt19937 random(seed);

    if (!StringsReallyFreed())
        GTEST_SKIP() << "strings are cached: run with OANOCACHE=1";
    FreeSpy &spy = FreeSpy::Instance();
    BSTR probe = SysAllocString(L"probe");
    SysFreeString(probe);
    ASSERT_TRUE(spy.Freed(probe)) << "strings are cached: run with OANOCACHE=1";

    ComPtr<_Schedule> control = NewSchedule();
    ComPtr<IDispatch> collection;
    const DISPID control_ids[] = {0x60030012, 0x60030013, 0x60030014, 0x68030011,
                                  0x68030010, 0x6803000F, 0x6803000E};
    const DISPID collection_ids[] = {DISPID_VALUE, 1, 2, 3, DISPID_NEWENUM};
    const DISPID stray_ids[] = {DISPID_VALUE, 4, 100, DISPID_UNKNOWN, 0x7FFFFFFF};
    const WORD flags[] = {DISPATCH_METHOD,
                          DISPATCH_PROPERTYGET,
                          DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                          DISPATCH_PROPERTYPUT,
                          DISPATCH_PROPERTYPUTREF,
                          0,
                          0xFFFF};
    const DISPID named_ids[] = {0, 1, 2, 3, 6, 8, DISPID_PROPERTYPUT, 100, 1000000, -2};

    unsigned reached = 0; // calls that got past the dispatch layer into a member
    for (unsigned call = 0; call < calls; ++call) {
        SCOPED_TRACE("call " + std::to_string(call) + " of seed " + std::to_string(seed));
        if (call % 500 == 0) {
            control->RemoveAllSchedule();
            for (const wchar_t *name : {L"a", L"Tea", L"7"})
                AddAt(control.Get(), name, NowPlus(3600), true);
            collection.Reset();
            ASSERT_EQ(S_OK, control->get_GetSchedules(&collection));
        }
        CallerArguments caller(random, control.Get());
        const bool on_control = caller.Pick(5) < 3;
        IDispatch *object = on_control ? control.Get() : collection.Get();
        DISPID id = on_control ? control_ids[caller.Pick(7)] : collection_ids[caller.Pick(5)];
        if (caller.Pick(10) == 0)
            id = stray_ids[caller.Pick(5)];
        // Mostly the few arguments most members take, named now and then.
        const UINT count = caller.Pick(4) ? caller.Pick(3) : caller.Pick(11);
        for (UINT i = 0; i < count; ++i)
            caller.args.push_back(caller.Any());
        for (UINT i = caller.Pick(4) ? 0 : 1 + caller.Pick(3); i > 0 && caller.named.size() < count;
             --i)
            caller.named.push_back(named_ids[caller.Pick(10)]);
        const WORD flag =
            caller.Pick(4) ? DISPATCH_METHOD | DISPATCH_PROPERTYGET : flags[caller.Pick(7)];

        DISPPARAMS params{caller.args.data(), caller.named.data(), count,
                          static_cast<UINT>(caller.named.size())};
        const ArgumentSnapshot before(caller.args.data(), count);
        const std::vector<DISPID> named_before = caller.named;
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep{};
        UINT arg_err = 0;
        spy.Forget();
        const HRESULT hr =
            object->Invoke(id, IID_NULL, 0, flag, caller.Pick(50) ? &params : nullptr,
                           caller.Pick(5) ? &result : nullptr, caller.Pick(5) ? &excep : nullptr,
                           caller.Pick(2) ? &arg_err : nullptr);
        reached += hr == S_OK || hr == DISP_E_EXCEPTION;

        for (BSTR text : before.Strings())
            ASSERT_FALSE(spy.Freed(text)) << "a string of the caller's was freed";
        ASSERT_TRUE(before.Unchanged()) << "the caller's arguments were written";
        ASSERT_EQ(named_before, caller.named);
        VariantClear(&result);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
    }

    std::cout << reached << " calls reached a member\n";
    EXPECT_GT(reached, calls / 10) << "the fuzz hardly gets past argument checks";
    control.Reset();
    collection.Reset();
    const HMODULE module = GetModuleHandleW(ModulePath().c_str());
    ASSERT_NE(nullptr, module);
    auto can_unload = reinterpret_cast<HRESULT(WINAPI *)()>(
        reinterpret_cast<void *>(GetProcAddress(module, "DllCanUnloadNow")));
    EXPECT_EQ(S_OK, can_unload());
}

} // namespace
