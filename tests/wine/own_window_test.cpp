// The control's own window, made in a site that cannot take a windowless control: it keeps the
// module loaded while it exists, paints a control that another thread may release meanwhile,
// and goes with its container's window. These need a display.
#include "caller_code.h"
#include "dying_outer.h"
#include "failing_allocations.h"
#include "test_site.h"

#include <optional>

namespace {

DWORD WINAPI RunWork(void *work) {
    (*static_cast<std::function<void()> *>(work))();
    return 0;
}

// Runs `work` on a thread of its own, outside any apartment, and waits for it.
void OnAnotherThread(std::function<void()> work) {
    const HANDLE thread = CreateThread(nullptr, 0, RunWork, &work, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

HWND NewContainerWindow() {
    return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                           nullptr);
}

struct OwnWindow : testing::Test {
    HWND container = NewContainerWindow();
    TestSite site{container};

    void TearDown() override { DestroyWindow(container); }

    // `control` in place in `in`, which cannot take it windowless; its own window.
    HWND Activate(IUnknown *control, TestSite &in) {
        ComPtr<IOleObject> object;
        EXPECT_EQ(S_OK, control->QueryInterface(IID_PPV_ARGS(&object)));
        EXPECT_EQ(S_OK, object->SetClientSite(&in));
        EXPECT_EQ(S_OK,
                  object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &in, 0, nullptr, &in.place));
        HWND own = nullptr;
        ComPtr<IOleWindow> window;
        EXPECT_EQ(S_OK, control->QueryInterface(IID_PPV_ARGS(&window)));
        EXPECT_EQ(S_OK, window->GetWindow(&own));
        return own;
    }
    HWND Activate(IUnknown *control) { return Activate(control, site); }
    static void Close(IUnknown *control) {
        ComPtr<IOleObject> object;
        ASSERT_EQ(S_OK, control->QueryInterface(IID_PPV_ARGS(&object)));
        EXPECT_EQ(S_OK, object->Close(OLECLOSE_NOSAVE));
        EXPECT_EQ(S_OK, object->SetClientSite(nullptr));
    }
};

HMODULE LoadedModule() {
    return GetModuleHandleW(ModulePath().c_str());
}

TEST_F(OwnWindow, ReleasedOnAnotherThreadItKeepsTheModuleLoadedUntilItIsGone) {
    for (const bool ticking : {false, true}) {
        SCOPED_TRACE(ticking ? "timer running" : "no timer");
        ComPtr<_Schedule> control = NewSchedule();
        if (ticking) {
            ASSERT_EQ(S_OK, AddAt(control.Get(), L"later", NowPlus(3600)));
            ASSERT_EQ(S_OK, control->put_TimerInterVal(20));
        }
        const HWND own = Activate(control.Get());
        ASSERT_TRUE(IsWindow(own));
        const HMODULE module = LoadedModule();

        OnAnotherThread([&] { control.Reset(); });
        // Only its own thread destroys the window, once it pumps: the module stays till then.
        EXPECT_TRUE(IsWindow(own));
        ASSERT_EQ(S_FALSE, CanUnloadNow()) << "the module would unload under its window";
        CoFreeUnusedLibrariesEx(0, 0);
        ASSERT_EQ(module, LoadedModule());

        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(own) && CanUnloadNow() == S_OK; }, 2000));
        // Free to unload, the module lets go of its class (it stays loaded: docs/threads.md).
        WNDCLASSEXW known{};
        known.cbSize = sizeof known;
        EXPECT_FALSE(GetClassInfoExW(module, L"QuorvaneSchedule", &known))
            << "the window class outlived the module's use";
    }
    // Used again, the module registers its class again.
    const ComPtr<_Schedule> again = NewSchedule();
    EXPECT_TRUE(IsWindow(Activate(again.Get())));
    Close(again.Get());
}

// Windows destroys the windows of a thread that ends without sending them a message (Wine does
// the same): the own window of a control whose thread ends while it is in place gets no
// WM_NCDESTROY. The control hands out no dead window, and nothing it left holds the module.
TEST_F(OwnWindow, AThreadEndingWithTheControlInPlaceLeavesNoDeadWindowAndNoLock) {
    ASSERT_NE(S_FALSE, CanUnloadNow()) << "an earlier test left an object of the module alive";
    // kept: the control outlives its thread (a raw pointer kept elsewhere, released later on
    // another thread); released: it is released on another thread while its thread waits, so
    // its window, asked to close, outlives it until the thread ends without pumping.
    for (const bool kept : {true, false}) {
        SCOPED_TRACE(kept ? "control kept" : "control released before its thread ends");
        ComPtr<_Schedule> control;
        std::optional<TestSite> there;
        HWND own = nullptr;
        OnAnotherThread([&] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            control = NewSchedule();
            there.emplace(NewContainerWindow());
            own = Activate(control.Get(), *there);
            if (!kept)
                OnAnotherThread([&] { control.Reset(); });
            EXPECT_TRUE(IsWindow(own));
            EXPECT_EQ(S_FALSE, CanUnloadNow()) << "the window lets the module go before its end";
            CoUninitialize();
        });
        ASSERT_NE(nullptr, own);
        EXPECT_FALSE(IsWindow(own)) << "the thread's windows outlived it";
        if (kept) {
            ComPtr<IOleWindow> window;
            ASSERT_EQ(S_OK, control.As(&window));
            HWND none = own;
            EXPECT_EQ(E_FAIL, window->GetWindow(&none)) << "the control hands out a dead window";
            EXPECT_EQ(nullptr, none);
            window.Reset();
            EXPECT_EQ(S_FALSE, CanUnloadNow());
            control.Reset();
        }
        EXPECT_EQ(S_OK, CanUnloadNow()) << "the dead window still holds the module";
        EXPECT_EQ(1, there->refs) << "the control kept its site";
    }
}

// With memory gone, activation in a site that cannot take the control windowless makes no
// window and says why; with memory back, the control makes its window.
TEST_F(OwnWindow, ActivatingWithoutMemoryMakesNoWindowAndSaysWhy) {
    ComPtr<_Schedule> control = NewSchedule();
    ComPtr<IOleObject> object;
    ASSERT_EQ(S_OK, control.As(&object));
    ASSERT_EQ(S_OK, object->SetClientSite(&site));
    {
        FailingAllocations inject{ControlModule()};
        inject.FailFrom(1);
        EXPECT_EQ(E_OUTOFMEMORY, object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0,
                                                nullptr, &site.place));
        inject.Disarm();
        EXPECT_TRUE(inject.Failed());
    }
    EXPECT_EQ(nullptr, FindWindowExW(container, nullptr, L"QuorvaneSchedule", nullptr));
    EXPECT_TRUE(IsWindow(Activate(control.Get())));
    Close(control.Get());
}

// An outer object that aggregates the control, as containers' extenders do, and lets go of it
// with its own last reference, on whatever thread that goes. `on_call` runs once, inside the
// next call that the control makes on it from the thread that set it.
class Extender final : public IUnknown {
public:
    ComPtr<IUnknown> inner;
    bool called_when_gone = false;

    void OnNextCall(std::function<void()> call) {
        on_call_ = std::move(call);
        thread_ = GetCurrentThreadId();
    }
    bool Pending() const { return static_cast<bool>(on_call_); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        Intercept();
        if (refs_ == 0) {
            called_when_gone = true;
            *out = nullptr;
            return E_NOINTERFACE;
        }
        if (iid != IID_IUnknown)
            return inner->QueryInterface(iid, out);
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        called_when_gone |= refs_ == 0;
        const ULONG refs = InterlockedIncrement(&refs_);
        Intercept();
        return refs;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            inner.Reset();
        return left;
    }

private:
    void Intercept() {
        if (on_call_ && GetCurrentThreadId() == thread_)
            std::exchange(on_call_, nullptr)();
    }

    LONG refs_ = 1;
    std::function<void()> on_call_;
    DWORD thread_ = 0;
};

TEST_F(OwnWindow, PaintHoldsTheControlThatAnotherThreadReleasesMeanwhile) {
    Extender outer;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Schedule, &outer, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&outer.inner)));
    site.user_mode = false; // at design time it paints its icon
    const HWND own = Activate(&outer);
    ASSERT_TRUE(IsWindow(own));

    // The container would let go of the control on another thread as the paint reaches for
    // the outer object: the paint holds the control itself and calls nothing of the outer one.
    outer.OnNextCall([&] { OnAnotherThread([&] { outer.Release(); }); });
    SendMessageW(own, WM_PAINT, 0, 0);
    EXPECT_TRUE(outer.Pending()) << "the paint reached for the outer object";
    OnAnotherThread([&] { outer.Release(); });
    EXPECT_FALSE(outer.called_when_gone) << "the paint used a control released under it";
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(own); }, 1000));
}

// The outer object's clean-up paints the control's window as its last reference goes: the
// paint reaches the control without touching the outer object, whose final release runs once.
TEST_F(OwnWindow, APaintWhileTheOuterObjectGoesNeverRevivesIt) {
    DyingOuter outer;
    ASSERT_EQ(S_OK, outer.Aggregate());
    site.user_mode = false; // at design time it paints its icon
    const HWND own = Activate(&outer);
    ASSERT_TRUE(IsWindow(own));
    outer.while_dying = [&] { SendMessageW(own, WM_PAINT, 0, 0); };
    outer.Release();
    EXPECT_EQ(1, outer.final_releases);
    EXPECT_FALSE(outer.revived);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(own); }, 1000));
}

TEST_F(OwnWindow, GoesWithItsContainersWindowAndIsForgotten) {
    ComPtr<_Schedule> control = NewSchedule();
    const HWND own = Activate(control.Get());
    ASSERT_TRUE(IsWindow(own));
    const RECT fixed = site.LastPosition();
    ComPtr<IOleInPlaceObject> in_place;
    ASSERT_EQ(S_OK, control.As(&in_place));

    DestroyWindow(container);
    EXPECT_FALSE(IsWindow(own));
    HWND none = own;
    EXPECT_EQ(E_FAIL, in_place->GetWindow(&none));
    EXPECT_EQ(nullptr, none);
    // Placed and redrawn, it still tells its size in the screen's pixels.
    const RECT moved{5, 6, 7, 8};
    EXPECT_EQ(S_OK, in_place->SetObjectRects(&moved, &moved));
    EXPECT_EQ(ToText({5, 6, 5 + fixed.right - fixed.left, 6 + fixed.bottom - fixed.top}),
              ToText(site.LastPosition()));
    site.user_mode = false;
    ComPtr<IOleControl> ambients;
    ASSERT_EQ(S_OK, control.As(&ambients));
    EXPECT_EQ(S_OK, ambients->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE));

    // In place again in another window, it makes a window there.
    EXPECT_EQ(S_OK, in_place->InPlaceDeactivate());
    container = NewContainerWindow();
    TestSite other{container};
    const HWND again = Activate(control.Get(), other);
    EXPECT_TRUE(IsWindow(again));
    EXPECT_EQ(container, GetParent(again));
    Close(control.Get());
    in_place.Reset();
    ambients.Reset();
    control.Reset();
    EXPECT_EQ(S_OK, CanUnloadNow()) << "a window gone with its container still holds the module";
}

} // namespace
