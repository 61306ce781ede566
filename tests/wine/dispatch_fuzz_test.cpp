// A seeded fuzz of IDispatch::Invoke on the control and on its collection: random members and
// flags, argument counts, shapes and types, named arguments valid and not, null out-pointers,
// and arguments that are objects whose default value runs the caller's code inside the call:
// a walk begun or ended, an entry or item added or removed, a by-reference argument of the
// same call reassigned, the collection released, the interval changed, sinks advised and
// unadvised, messages pumped (ticks run, and sinks that pump in their events and last
// Release). After every call the caller's arguments must be as they were (or as its own code
// left them) and none of its strings freed by the control; every failure must be an HRESULT,
// and the module must be free to unload at the end.
// QUORVANE_FUZZ_SEED repeats a run; QUORVANE_FUZZ_CALLS sets its length.
#include "caller_code.h"
#include "caller_memory.h"

#include <cmath>
#include <cstdlib>
#include <deque>
#include <limits>
#include <random>
#include <set>
#include <string>

namespace {

unsigned Setting(const char *name, unsigned otherwise) {
    const char *value = std::getenv(name);
    return value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : otherwise;
}

// What the caller's code works on across calls: the control, a collection it gave, walks
// begun on it, and the connections of pumping sinks.
struct World {
    ComPtr<_Schedule> control;
    ComPtr<IDispatch> collection;
    std::vector<ComPtr<IEnumVARIANT>> walks;
    std::vector<DWORD> cookies;
    unsigned caller_code_runs = 0;

    void Release() {
        walks.clear();
        collection.Reset();
        control.Reset();
        cookies.clear();
    }
};

// Everything one call's arguments hold, owned as a caller owns it.
class CallerArguments {
public:
    std::vector<VARIANT> args;
    std::vector<DISPID> named;

    CallerArguments(std::mt19937 &random, World &world)
        : random_(random), world_(world), object_(world.control.Get()) {}
    CallerArguments(const CallerArguments &) = delete;
    ~CallerArguments() {
        for (ValueObject *object : objects_) {
            object->on_read = nullptr; // a collection may keep it after this call
            object->Release();
        }
        for (VARIANT &arg : args)
            VariantClear(&arg);
        for (VARIANT &target : targets_)
            VariantClear(&target);
        for (BSTR text : strings_)
            SysFreeString(text);
    }

    // Whether the caller's own code assigned an argument anew during the call, and whether
    // it freed `text` doing so.
    bool Reassigned() const { return reassigned_; }
    bool FreedByCaller(BSTR text) const { return freed_.count(text) != 0; }

    // Half the time a small number, which every parameter takes; else any shape at all.
    VARIANT Any(int depth = 0) {
        VARIANT v;
        VariantInit(&v);
        if (Pick(2)) {
            V_VT(&v) = VT_I4;
            V_I4(&v) = static_cast<LONG>(Pick(9));
            return v;
        }
        switch (Pick(depth < 2 ? 22 : 12)) {
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
        case 16:
        case 17:
        case 18:
        case 19:
        case 20:
        case 21: {
            VARIANT value;
            V_VT(&value) = VT_I4;
            V_I4(&value) = static_cast<LONG>(Pick(4));
            if (Pick(3) == 0)
                value = Text(L"Tea");
            ValueObject *object = ValueObject::Create(value, [this] { RunCallerCode(); });
            object->AddRef();
            objects_.push_back(object);
            v = Object(object);
            break;
        }
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

    static VARIANT Text(const wchar_t *text) {
        VARIANT v;
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocString(text);
        return v;
    }

    // One thing a caller's default value may do inside the call.
    void RunCallerCode() {
        ++world_.caller_code_runs;
        _Schedule *control = world_.control.Get();
        switch (Pick(10)) {
        case 0: { // a walk begins
            ComPtr<IUnknown> walk;
            ComPtr<_Collection> items;
            if (SUCCEEDED(world_.collection.As(&items)) && SUCCEEDED(items->_NewEnum(&walk))) {
                world_.walks.emplace_back();
                walk.As(&world_.walks.back());
            }
            break;
        }
        case 1: // a walk ends
            if (!world_.walks.empty())
                world_.walks.erase(world_.walks.begin() + Pick(world_.walks.size()));
            break;
        case 2: // an entry due now, or an item, comes
            if (Pick(2)) {
                BSTR name = Text();
                AddAt(control, name ? name : L"", NowPlus(0), Pick(2));
                SysFreeString(name);
            } else {
                CallId(world_.collection.Get(), 1, DISPATCH_METHOD, {I4(7)});
            }
            break;
        case 3: // an entry or the first item goes
            if (Pick(2)) {
                BSTR name = Text();
                control->RemoveSchedule(&name);
                SysFreeString(name);
            } else {
                CallId(world_.collection.Get(), 3, DISPATCH_METHOD, {I4(1)});
            }
            break;
        case 4: // a by-reference argument of this very call is assigned anew
            reassigned_ = true;
            if (!strings_.empty()) {
                BSTR &text = strings_[Pick(strings_.size())];
                freed_.insert(text);
                SysFreeString(text);
                text = SysAllocString(L"assigned");
            } else if (!targets_.empty()) {
                VARIANT &target = targets_[Pick(targets_.size())];
                if (V_VT(&target) == VT_BSTR)
                    freed_.insert(V_BSTR(&target));
                VariantClear(&target);
                target = I4(static_cast<LONG>(Pick(3)));
            }
            break;
        case 5: // the caller lets go of its collection and takes a new one
            world_.collection.Reset();
            control->get_GetSchedules(&world_.collection);
            break;
        case 6:
            control->put_TimerInterVal(1 + static_cast<LONG>(Pick(50)));
            break;
        case 7: { // a sink that pumps comes; the control holds its last reference
            PumpingSink *sink = PumpingSink::Create(nullptr);
            world_.cookies.push_back(Connect(control, sink));
            sink->Release();
            break;
        }
        case 8: // a sink goes: its last Release pumps
            if (!world_.cookies.empty()) {
                ComPtr<IConnectionPointContainer> container;
                ComPtr<IConnectionPoint> point;
                world_.control.As(&container);
                container->FindConnectionPoint(DIID___Schedule, &point);
                point->Unadvise(world_.cookies.back());
                world_.cookies.pop_back();
            }
            break;
        default: // DoEvents: ticks of the control run their passes here
            PumpMessages();
        }
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
    World &world_;
    IDispatch *object_;
    std::deque<VARIANT> targets_;
    std::deque<BSTR> strings_;
    std::deque<LONG> longs_;
    std::vector<ValueObject *> objects_;
    std::set<BSTR> freed_;
    bool reassigned_ = false;
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

    World world;
    world.control = NewSchedule();
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
            world.control->RemoveAllSchedule();
            world.control->put_TimerInterVal(60000);
            for (const wchar_t *name : {L"a", L"Tea", L"7"})
                AddAt(world.control.Get(), name, NowPlus(3600), true);
            world.walks.clear();
            world.collection.Reset();
            ASSERT_EQ(S_OK, world.control->get_GetSchedules(&world.collection));
        }
        CallerArguments caller(random, world);
        const bool on_control = caller.Pick(5) < 3;
        // Held through the call: the caller's code may let go of the collection inside it.
        const ComPtr<IDispatch> object =
            on_control ? ComPtr<IDispatch>(world.control) : world.collection;
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
            ASSERT_FALSE(spy.Freed(text) && !caller.FreedByCaller(text))
                << "a string of the caller's was freed";
        if (!caller.Reassigned()) {
            ASSERT_TRUE(before.Unchanged()) << "the caller's arguments were written";
        }
        ASSERT_EQ(named_before, caller.named);
        VariantClear(&result);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
    }

    std::cout << reached << " calls reached a member; the caller's code ran "
              << world.caller_code_runs << " times inside them\n";
    EXPECT_GT(world.caller_code_runs, calls / 100) << "the fuzz hardly runs the caller's code";
    EXPECT_GT(reached, calls / 10) << "the fuzz hardly gets past argument checks";
    world.Release();
    PumpMessages(); // a timer stopped elsewhere is killed at its thread's next tick
    EXPECT_EQ(S_OK, CanUnloadNow());
}

} // namespace
