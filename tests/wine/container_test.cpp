// The control in a container, driven as a container does: siting, activation, its fixed size
// through HIMETRIC and pixels (also when the container answers from inside a notification),
// its design-time face, its sinks, its class information and what it saves.
#include "host.h"
#include "test_site.h"

#include <cmath>

namespace {

constexpr DWORD kContent = DVASPECT_CONTENT;

// 500 twips in this display's pixels.
SIZE FixedPixels() {
    const HDC dc = GetDC(nullptr);
    const SIZE size{std::lround(500.0 * GetDeviceCaps(dc, LOGPIXELSX) / 1440),
                    std::lround(500.0 * GetDeviceCaps(dc, LOGPIXELSY) / 1440)};
    ReleaseDC(nullptr, dc);
    return size;
}

std::wstring Moved(LONG left, LONG top, LONG width, LONG height) {
    return L"OnPosRectChange " + ToText({left, top, left + width, top + height});
}

struct AdviseSink final : IAdviseSink {
    int closes = 0, view_changes = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        *out = iid == IID_IUnknown || iid == IID_IAdviseSink ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    void STDMETHODCALLTYPE OnDataChange(FORMATETC *, STGMEDIUM *) override {}
    void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override { ++view_changes; }
    void STDMETHODCALLTYPE OnRename(IMoniker *) override {}
    void STDMETHODCALLTYPE OnSave() override {}
    void STDMETHODCALLTYPE OnClose() override { ++closes; }
};

struct Container : testing::Test {
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    TestSite site{window};
    const SIZE px = FixedPixels();
    ComPtr<_Schedule> s = NewSchedule();
    ComPtr<IOleObject> object;
    ComPtr<IOleInPlaceObject> in_place;

    void SetUp() override {
        ASSERT_EQ(S_OK, s.As(&object));
        ASSERT_EQ(S_OK, s.As(&in_place));
    }
    void TearDown() override {
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
        in_place.Reset();
        object.Reset();
        s.Reset();
        EXPECT_EQ(1, site.refs); // the control let go of its site
        DestroyWindow(window);
    }
    HRESULT Activate(LONG verb = OLEIVERB_INPLACEACTIVATE) {
        return object->DoVerb(verb, nullptr, &site, 0, window, &site.place);
    }
    SIZEL Extent() {
        SIZEL size{}, viewed{};
        EXPECT_EQ(S_OK, object->GetExtent(kContent, &size));
        ComPtr<IViewObject2> view;
        EXPECT_EQ(S_OK, object.As(&view));
        EXPECT_EQ(S_OK, view->GetExtent(kContent, -1, nullptr, &viewed));
        EXPECT_TRUE(size.cx == viewed.cx && size.cy == viewed.cy);
        return size;
    }
    void ExpectAtRest() {
        const SIZEL size = Extent();
        EXPECT_EQ(882, size.cx);
        EXPECT_EQ(882, size.cy);
    }
};

TEST_F(Container, AnyExtentComesToRestAt500TwipsAsked500ChangesNothing) {
    ASSERT_EQ(S_OK, object->SetClientSite(&site));
    ExpectAtRest();
    // Not yet in place: each dimension that had to change asks the site for a new layout.
    const struct {
        SIZEL asked;
        std::size_t requests;
    } cases[] = {{{2000, 1000}, 2},  {{1, 1}, 2},     {{0, 0}, 2},    {{882, 5000}, 1},
                 {{100000, 882}, 1}, {{881, 883}, 2}, {{882, 882}, 0}};
    for (const auto &[asked, requests] : cases) {
        site.calls.clear();
        SIZEL size = asked;
        EXPECT_EQ(S_OK, object->SetExtent(kContent, &size));
        ExpectAtRest();
        EXPECT_EQ(requests, site.calls.size()) << asked.cx << " x " << asked.cy;
    }
    SIZEL size{};
    EXPECT_EQ(DV_E_DVASPECT, object->SetExtent(DVASPECT_ICON, &size));
}

TEST_F(Container, InPlaceTheSiteIsToldTheFixedRectangle) {
    ASSERT_EQ(S_OK, object->SetClientSite(&site));
    site.place = {10, 20, 210, 120};
    ASSERT_EQ(S_OK, Activate());
    EXPECT_EQ(
        (std::vector<std::wstring>{L"CanInPlaceActivate", L"OnInPlaceActivate", L"GetWindowContext",
                                   Moved(10, 20, px.cx, 100), Moved(10, 20, px.cx, px.cy)}),
        site.calls);
    // A site that cannot take a windowless object gets a small window of the control's own,
    // in its window at the control's place, gone when the control leaves the place.
    HWND own = nullptr;
    EXPECT_EQ(S_OK, in_place->GetWindow(&own));
    EXPECT_NE(window, own);
    EXPECT_EQ(window, GetParent(own));
    auto placed = [&](LONG x, LONG y) {
        RECT at;
        GetWindowRect(own, &at);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&at), 2);
        return at.left == x && at.top == y && at.right == x + px.cx && at.bottom == y + px.cy;
    };
    EXPECT_TRUE(placed(10, 20));

    site.calls.clear();
    const RECT other{5, 6, 300, 7};
    EXPECT_EQ(S_OK, in_place->SetObjectRects(&other, &other));
    EXPECT_EQ(Moved(5, 6, px.cx, px.cy), site.calls.back());
    EXPECT_TRUE(placed(5, 6));
    ExpectAtRest();
    // Placing it at its own size, or moving it, asks nothing.
    site.calls.clear();
    const RECT fixed{40, 50, 40 + px.cx, 50 + px.cy};
    EXPECT_EQ(S_OK, in_place->SetObjectRects(&fixed, &fixed));
    SIZEL himetric{882, 882};
    EXPECT_EQ(S_OK, object->SetExtent(kContent, &himetric));
    EXPECT_TRUE(site.calls.empty());
    // A size in HIMETRIC while in place is answered with the rectangle too.
    himetric = {3000, 882};
    EXPECT_EQ(S_OK, object->SetExtent(kContent, &himetric));
    EXPECT_EQ((std::vector<std::wstring>{Moved(40, 50, px.cx, px.cy)}), site.calls);
    EXPECT_EQ(S_OK, in_place->InPlaceDeactivate());
    EXPECT_FALSE(IsWindow(own));
}

TEST_F(Container, ContainersAnsweringFromInsideTheNotificationsEndAtRest) {
    ASSERT_EQ(S_OK, object->SetClientSite(&site));
    // One that insists on its own size whenever it is asked for a new layout.
    site.on_layout_request = [&] {
        SIZEL size{3000, 4000};
        EXPECT_EQ(S_OK, object->SetExtent(kContent, &size));
    };
    SIZEL size{5000, 5000};
    EXPECT_EQ(S_OK, object->SetExtent(kContent, &size));
    EXPECT_EQ(2u, site.calls.size());
    ExpectAtRest();

    // One that obliges, placing the control where it asked to be, at once.
    site.on_layout_request = nullptr;
    site.on_pos_rect_change = [&](const RECT &asked) {
        EXPECT_EQ(S_OK, in_place->SetObjectRects(&asked, &asked));
    };
    site.place = {0, 0, 200, 300};
    ASSERT_EQ(S_OK, Activate());
    EXPECT_EQ(ToText({0, 0, px.cx, px.cy}), ToText(site.LastPosition()));

    // One that insists, in pixels and in HIMETRIC, from inside every notification.
    site.calls.clear();
    site.on_pos_rect_change = [&](const RECT &) {
        const RECT big{0, 0, 400, 400};
        EXPECT_EQ(S_OK, in_place->SetObjectRects(&big, &big));
        SIZEL himetric{9000, 9000};
        EXPECT_EQ(S_OK, object->SetExtent(kContent, &himetric));
    };
    const RECT wide{0, 0, 640, 480};
    EXPECT_EQ(S_OK, in_place->SetObjectRects(&wide, &wide));
    EXPECT_EQ(2u, site.calls.size());
    EXPECT_EQ(ToText({0, 0, px.cx, px.cy}), ToText(site.LastPosition()));
    ExpectAtRest();
}

TEST_F(Container, VerbsActivateAndDeactivateCloseTellsTheSinks) {
    DWORD status = 0;
    EXPECT_EQ(S_OK, object->GetMiscStatus(kContent, &status));
    EXPECT_EQ(132497u, status);

    ASSERT_EQ(S_OK, object->SetClientSite(&site));
    ComPtr<IOleClientSite> got;
    EXPECT_EQ(S_OK, object->GetClientSite(&got));
    EXPECT_EQ(static_cast<IOleClientSite *>(&site), got.Get());
    got.Reset();
    AdviseSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, object->Advise(&sink, &cookie));
    ComPtr<IEnumSTATDATA> advised;
    ASSERT_EQ(S_OK, object->EnumAdvise(&advised));
    STATDATA data[2];
    ULONG fetched = 0;
    advised->Next(2, data, &fetched);
    ASSERT_EQ(1u, fetched);
    EXPECT_EQ(cookie, data[0].dwConnection);
    data[0].pAdvSink->Release();

    site.place = {0, 0, px.cx, px.cy};
    ASSERT_EQ(S_OK, Activate(OLEIVERB_UIACTIVATE));
    ASSERT_EQ(S_OK, Activate(OLEIVERB_SHOW)); // already active: nothing more
    EXPECT_EQ(S_OK, object->DoVerb(OLEIVERB_HIDE, nullptr, &site, 0, window, nullptr));
    EXPECT_EQ(S_OK, in_place->InPlaceDeactivate());
    HWND none = window;
    EXPECT_EQ(E_FAIL, in_place->GetWindow(&none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_NOTIMPL, Activate(OLEIVERB_OPEN));
    EXPECT_EQ(OLEOBJ_S_INVALIDVERB, Activate(7));
    EXPECT_EQ(S_OK, object->Close(OLECLOSE_SAVEIFDIRTY));
    EXPECT_EQ(
        (std::vector<std::wstring>{L"CanInPlaceActivate", L"OnInPlaceActivate", L"GetWindowContext",
                                   L"OnUIActivate", L"OnUIDeactivate", L"OnInPlaceDeactivate",
                                   L"CanInPlaceActivate", L"OnInPlaceActivate", L"GetWindowContext",
                                   L"OnUIActivate", L"OnUIDeactivate", L"OnInPlaceDeactivate"}),
        site.calls);
    EXPECT_EQ(1, sink.closes);
    EXPECT_EQ(S_OK, object->Unadvise(cookie));
    EXPECT_EQ(S_OK, object->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(1, sink.closes);
}

// A container's frame that ends the control's activation while the control gives up being its
// active object, as a container closing its document does.
struct DeactivatingFrame final : IOleInPlaceFrame {
    std::function<void()> on_lost;
    int border_space_set = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override {
        border_space_set += widths == nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject *active, LPCOLESTR) override {
        if (!active && on_lost)
            on_lost();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return E_NOTIMPL; }
};

// UIDeactivate and Close, with the frame ending the activation inside either way it can (the
// in-place object's InPlaceDeactivate, or taking the client site away): each answers S_OK and
// the site hears of the deactivation once.
TEST_F(Container, AFrameThatDeactivatesTheControlAsItLosesItIsToldOnce) {
    static DeactivatingFrame frame; // outlives the site, which the control may still hold
    site.frame = &frame;
    const std::function<void()> ends[] = {[&] { EXPECT_EQ(S_OK, in_place->InPlaceDeactivate()); },
                                          [&] { EXPECT_EQ(S_OK, object->SetClientSite(nullptr)); }};
    const std::function<HRESULT()> ways[] = {[&] { return in_place->UIDeactivate(); },
                                             [&] { return object->Close(OLECLOSE_NOSAVE); }};
    for (const auto &end : ends) {
        for (const auto &way : ways) {
            ASSERT_EQ(S_OK, object->SetClientSite(&site));
            ASSERT_EQ(S_OK, Activate(OLEIVERB_UIACTIVATE));
            EXPECT_EQ(1, std::exchange(frame.border_space_set, 0)); // no toolbars of its own
            site.calls.clear();
            frame.on_lost = end;
            EXPECT_EQ(S_OK, way());
            frame.on_lost = nullptr;
            EXPECT_EQ(std::vector<std::wstring>{L"OnInPlaceDeactivate"}, site.calls);
            HWND own = nullptr;
            EXPECT_EQ(E_FAIL, in_place->GetWindow(&own)); // out of place
        }
    }
}

// The answers the OLE interfaces give for the calls a container makes in passing; a Clone with
// nowhere to put the clone fails as every null out-pointer does.
TEST_F(Container, PassingCallsAnswerAsTheInterfacesSay) {
    EXPECT_EQ(S_OK, object->SetHostNames(L"Form", nullptr));
    EXPECT_EQ(E_NOTIMPL, object->InitFromData(nullptr, TRUE, 0));
    ASSERT_EQ(S_OK, object->SetClientSite(&site));
    ASSERT_EQ(S_OK, Activate(OLEIVERB_UIACTIVATE));
    ComPtr<IOleInPlaceActiveObject> active;
    ASSERT_EQ(S_OK, object.As(&active));
    EXPECT_EQ(S_OK, active->OnDocWindowActivate(FALSE));
    EXPECT_EQ(S_OK, in_place->UIDeactivate());
    EXPECT_EQ(L"OnUIDeactivate", site.calls.back()); // and still in place

    ComPtr<IDispatch> items;
    ComPtr<_Collection> collection;
    ComPtr<IUnknown> unknown;
    ComPtr<IEnumVARIANT> walk;
    ASSERT_EQ(S_OK, s->get_GetSchedules(&items));
    ASSERT_EQ(S_OK, items.As(&collection));
    ASSERT_EQ(S_OK, collection->_NewEnum(&unknown));
    ASSERT_EQ(S_OK, unknown.As(&walk));
    EXPECT_EQ(E_POINTER, walk->Clone(nullptr));
}

// A white 64 x 64 picture to draw into.
struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    DWORD *bits = nullptr;
    HBITMAP bitmap;
    HGDIOBJ old;
    Canvas() {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 64, -64, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&bits),
                                  nullptr, 0);
        old = SelectObject(dc, bitmap);
        std::fill(bits, bits + 64 * 64, 0xFFFFFFu);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    int Count(DWORD colour, const RECT &area) const {
        GdiFlush();
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                count += (bits[y * 64 + x] & 0xFFFFFF) == colour;
        return count;
    }
};

TEST_F(Container, DrawsTheIconAtDesignTimeAndNothingWhileTheHostRuns) {
    ComPtr<IViewObject2> view;
    ASSERT_EQ(S_OK, s.As(&view));
    ComPtr<IOleControl> control;
    ASSERT_EQ(S_OK, s.As(&control));
    AdviseSink sink;
    ASSERT_EQ(S_OK, view->SetAdvise(kContent, 0, &sink));
    const RECTL bounds{16, 8, 48, 40};
    const RECT inside{16, 8, 48, 40}, all{0, 0, 64, 64};
    const DWORD yellow = 0xFFFF00, white = 0xFFFFFF;
    auto draw = [&](Canvas &canvas) {
        return view->Draw(kContent, -1, nullptr, nullptr, nullptr, canvas.dc, &bounds, nullptr,
                          nullptr, 0);
    };

    // No site: no ambient properties, so the host runs.
    Canvas unsited;
    EXPECT_EQ(S_OK, draw(unsited));
    EXPECT_EQ(64 * 64, unsited.Count(white, all));

    site.user_mode = false;
    ASSERT_EQ(S_OK, object->SetClientSite(&site));
    Canvas design;
    EXPECT_EQ(S_OK, draw(design));
    EXPECT_EQ(88, design.Count(yellow, inside)); // the frame, pixel for pixel (design.txt)
    EXPECT_EQ(64 * 64 - 32 * 32, design.Count(white, all) - design.Count(white, inside));
    EXPECT_EQ(0, sink.view_changes);

    // The container switches to run mode and says so.
    site.user_mode = true;
    EXPECT_EQ(S_OK, control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE));
    EXPECT_EQ(1, sink.view_changes);
    Canvas running;
    EXPECT_EQ(S_OK, draw(running));
    EXPECT_EQ(64 * 64, running.Count(white, all));
    EXPECT_EQ(S_OK, control->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR));
    EXPECT_EQ(S_OK, control->OnAmbientPropertyChange(DISPID_UNKNOWN)); // unchanged
    EXPECT_EQ(1, sink.view_changes);

    DWORD aspects = 0, flags = 1;
    ComPtr<IAdviseSink> advised;
    EXPECT_EQ(S_OK, view->GetAdvise(&aspects, &flags, &advised));
    EXPECT_EQ(static_cast<IAdviseSink *>(&sink), advised.Get());
    EXPECT_EQ(kContent, aspects);
    EXPECT_EQ(0u, flags);
    EXPECT_EQ(DV_E_DVASPECT, view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, running.dc,
                                        &bounds, nullptr, nullptr, 0));
    EXPECT_EQ(S_OK, view->SetAdvise(kContent, 0, nullptr));
}

TEST_F(Container, ClassInfoIsTheCoclassWithItsEventInterface) {
    ComPtr<IProvideClassInfo2> provide;
    ASSERT_EQ(S_OK, s.As(&provide));
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, provide->GetClassInfo(&info));
    TYPEATTR *attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_COCLASS, attr->typekind);
    EXPECT_EQ(CLSID_Schedule, attr->guid);
    info->ReleaseTypeAttr(attr);
    GUID guid{};
    EXPECT_EQ(S_OK, provide->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid));
    EXPECT_EQ(DIID___Schedule, guid);
    EXPECT_EQ(E_INVALIDARG, provide->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID + 1, &guid));
}

// Records that nothing is written and gives nothing to read.
struct PropertyBag final : IPropertyBag {
    int writes = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        *out = iid == IID_IUnknown || iid == IID_IPropertyBag ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR, VARIANT *, IErrorLog *) override {
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT *) override {
        ++writes;
        return S_OK;
    }
};

// The control's `Interface`, which it must have.
template <class Interface> ComPtr<Interface> Query(IUnknown *control) {
    ComPtr<Interface> found;
    EXPECT_EQ(S_OK, control->QueryInterface(IID_PPV_ARGS(&found)));
    return found;
}

// Whether the thread's timers went off within `ms` (looked at until then, so that a busy
// machine's late tick still counts); WM_TIMER is only taken, not delivered.
bool TimerFires(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    bool fired = false;
    do {
        Sleep(ms ? 10 : 0);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
            fired = true;
    } while (!fired && GetTickCount64() < end);
    return fired;
}

// With entries and a 20 ms interval the control's timer runs; as new it is empty, off and at
// 60000, and stays off when given a short interval.
void Fill(_Schedule *s) {
    ASSERT_EQ(S_OK, AddAt(s, L"Later", NowPlus(3600)));
    ASSERT_EQ(S_OK, AddAt(s, L"Daily", NowPlus(7200), true));
    ASSERT_EQ(S_OK, s->put_TimerInterVal(20));
    EXPECT_TRUE(TimerFires(1000));
}
void ExpectNew(_Schedule *s) {
    ComPtr<IDispatch> entries;
    ASSERT_EQ(S_OK, s->get_GetSchedules(&entries));
    EXPECT_EQ(0, Call(entries.Get(), {L"Count"}, DISPATCH_PROPERTYGET, {}).Long());
    LONG interval = 0;
    EXPECT_EQ(S_OK, s->get_TimerInterVal(&interval));
    EXPECT_EQ(60000, interval);
    TimerFires(0);
    ASSERT_EQ(S_OK, s->put_TimerInterVal(20));
    EXPECT_FALSE(TimerFires(80));
}

TEST_F(Container, SavingKeepsNothingAndLoadingAnythingGivesANewControl) {
    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    ComPtr<IStorage> storage;
    ASSERT_EQ(S_OK, StgCreateDocfile(nullptr,
                                     STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE |
                                         STGM_DELETEONRELEASE,
                                     0, &storage));
    PropertyBag bag;
    const struct {
        const char *name;
        std::function<void(IUnknown *)> save, load;
    } ways[] = {
        {"stream",
         [&](IUnknown *control) {
             const auto persist = Query<IPersistStreamInit>(control);
             EXPECT_EQ(S_FALSE, persist->IsDirty());
             EXPECT_EQ(S_OK, persist->Save(stream.Get(), TRUE));
             STATSTG stat{};
             stream->Stat(&stat, STATFLAG_NONAME);
             EXPECT_EQ(0u, stat.cbSize.QuadPart);
         },
         [&](IUnknown *control) {
             EXPECT_EQ(S_OK, Query<IPersistStreamInit>(control)->Load(stream.Get()));
         }},
        {"property bag",
         [&](IUnknown *control) {
             EXPECT_EQ(S_OK, Query<IPersistPropertyBag>(control)->Save(&bag, TRUE, TRUE));
             EXPECT_EQ(0, bag.writes);
         },
         [&](IUnknown *control) {
             EXPECT_EQ(S_OK, Query<IPersistPropertyBag>(control)->Load(&bag, nullptr));
         }},
        {"storage",
         [&](IUnknown *control) {
             const auto persist = Query<IPersistStorage>(control);
             EXPECT_EQ(S_FALSE, persist->IsDirty());
             EXPECT_EQ(S_OK, persist->Save(storage.Get(), FALSE));
             EXPECT_EQ(S_OK, persist->SaveCompleted(nullptr));
             ComPtr<IEnumSTATSTG> elements;
             ASSERT_EQ(S_OK, storage->EnumElements(0, nullptr, 0, &elements));
             STATSTG element{};
             EXPECT_EQ(S_FALSE, elements->Next(1, &element, nullptr));
         },
         [&](IUnknown *control) {
             EXPECT_EQ(S_OK, Query<IPersistStorage>(control)->Load(storage.Get()));
         }},
    };
    // One timer runs at a time, so that the one that fires is the one looked at.
    for (const auto &way : ways) {
        SCOPED_TRACE(way.name);
        Fill(s.Get());
        way.save(s.Get());
        way.load(s.Get()); // into the control that was saved
        ExpectNew(s.Get());
        ComPtr<_Schedule> loaded = NewSchedule();
        Fill(loaded.Get());
        way.load(loaded.Get());
        ExpectNew(loaded.Get());
    }

    ComPtr<IPersistStreamInit> fresh;
    ASSERT_EQ(S_OK, s.As(&fresh));
    Fill(s.Get());
    EXPECT_EQ(S_OK, fresh->InitNew());
    ExpectNew(s.Get());
    CLSID clsid{};
    EXPECT_EQ(S_OK, fresh->GetClassID(&clsid));
    EXPECT_EQ(CLSID_Schedule, clsid);
}

// A visible window of a form, in one top-level window that lasts as long as the process:
// without a window manager, Wine waits two seconds for one to hide a top-level window. These
// need a display.
HWND NewForm() {
    WNDCLASSW form_class{};
    form_class.lpfnWndProc = DefWindowProcW;
    form_class.lpszClassName = L"QuorvaneTestForm";
    RegisterClassW(&form_class);
    static const HWND screen =
        CreateWindowExW(0, L"QuorvaneTestForm", L"Tests", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480,
                        nullptr, nullptr, nullptr, nullptr);
    return CreateWindowExW(0, L"QuorvaneTestForm", L"Form1", WS_CHILD | WS_VISIBLE, 40, 40, 320,
                           240, screen, nullptr, nullptr, nullptr);
}

// In a site that cannot take it windowless, shown by the verb: its own window is visible at
// design time, and hidden while the host runs.
TEST_F(Container, ShownItsOwnWindowIsVisibleAtDesignTimeOnly) {
    const HWND form = NewForm();
    ASSERT_NE(nullptr, form);
    for (const bool user_mode : {false, true}) {
        SCOPED_TRACE(user_mode ? "run time" : "design time");
        TestSite shown_in{form};
        shown_in.user_mode = user_mode;
        ASSERT_EQ(S_OK, object->SetClientSite(&shown_in));
        ASSERT_EQ(S_OK,
                  object->DoVerb(OLEIVERB_SHOW, nullptr, &shown_in, 0, form, &shown_in.place));
        HWND own = nullptr;
        EXPECT_EQ(S_OK, in_place->GetWindow(&own));
        EXPECT_EQ(form, GetParent(own));
        EXPECT_EQ(!user_mode, IsWindowVisible(own) != FALSE);
        EXPECT_EQ(S_OK, object->Close(OLECLOSE_NOSAVE));
        EXPECT_EQ(S_OK, object->SetClientSite(nullptr));
        EXPECT_FALSE(IsWindow(own));
    }
    DestroyWindow(form);
}

// Wine's ATL container (atl.dll) hosting the control in a window of a form.
struct Hosting : testing::Test {
    HMODULE atl = LoadLibraryW(L"atl.dll"); // stays loaded, as its window classes do
    HWND form = nullptr;
    ComPtr<IUnknown> container;

    template <class Function> Function Atl(const char *name) {
        return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(atl, name)));
    }
    void SetUp() override {
        ASSERT_NE(nullptr, atl);
        // Once a process: it registers ATL's window classes.
        static const BOOL initialized = Atl<BOOL(WINAPI *)()>("AtlAxWinInit")();
        ASSERT_TRUE(initialized);
        form = NewForm();
        ASSERT_NE(nullptr, form);
    }
    void TearDown() override {
        container.Reset();
        DestroyWindow(form); // the container closes the control and lets it go
    }
    // The control that ATL made in the form, from `saved` if given.
    ComPtr<IOleObject> Create(IStream *saved = nullptr) {
        using CreateControl = HRESULT(WINAPI *)(LPCOLESTR, HWND, IStream *, IUnknown **);
        using GetControl = HRESULT(WINAPI *)(HWND, IUnknown **);
        EXPECT_EQ(S_OK, Atl<CreateControl>("AtlAxCreateControl")(L"Quorvane.Schedule", form, saved,
                                                                 &container));
        ComPtr<IUnknown> control;
        EXPECT_EQ(S_OK, Atl<GetControl>("AtlAxGetControl")(form, &control));
        ComPtr<IOleObject> object;
        if (control) {
            EXPECT_EQ(S_OK, control.As(&object));
        }
        return object;
    }
};

SIZEL ExtentOf(IOleObject *object) {
    SIZEL size{};
    EXPECT_EQ(S_OK, object->GetExtent(kContent, &size));
    return size;
}

TEST_F(Hosting, CreatedSitedActivatedAndAt500TwipsWhateverTheFormsSize) {
    const ComPtr<IOleObject> object = Create();
    ASSERT_TRUE(object);
    ComPtr<IOleClientSite> site;
    EXPECT_EQ(S_OK, object->GetClientSite(&site));
    EXPECT_TRUE(site);
    ComPtr<IOleInPlaceObject> in_place;
    ASSERT_EQ(S_OK, object.As(&in_place));
    // In place in the form, windowless: the form's window is the container's, not the control's.
    HWND shown = form;
    EXPECT_EQ(E_FAIL, in_place->GetWindow(&shown));
    EXPECT_EQ(nullptr, shown);
    EXPECT_EQ(882, ExtentOf(object.Get()).cx);
    for (const SIZE size : {SIZE{640, 480}, SIZE{100, 50}, SIZE{33, 33}, SIZE{1, 1}}) {
        SetWindowPos(form, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        PumpUntil([] { return false; }, 20);
        const SIZEL extent = ExtentOf(object.Get());
        EXPECT_EQ(882, extent.cx) << size.cx << " x " << size.cy;
        EXPECT_EQ(882, extent.cy) << size.cx << " x " << size.cy;
    }
    ComPtr<_Schedule> schedule;
    ASSERT_EQ(S_OK, object.As(&schedule));
    EXPECT_EQ(S_OK, AddAt(schedule.Get(), L"Hosted", NowPlus(3600)));
}

TEST_F(Hosting, ContainerLoadingWhatItSavedGetsANewControl) {
    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    {
        ComPtr<_Schedule> saved = NewSchedule();
        Fill(saved.Get());
        ComPtr<IPersistStreamInit> persist;
        ASSERT_EQ(S_OK, saved.As(&persist));
        ASSERT_EQ(S_OK, persist->Save(stream.Get(), TRUE));
    }
    stream->Seek({}, STREAM_SEEK_SET, nullptr);
    const ComPtr<IOleObject> object = Create(stream.Get());
    ComPtr<_Schedule> loaded;
    ASSERT_TRUE(object && SUCCEEDED(object.As(&loaded)));
    ExpectNew(loaded.Get());
}

} // namespace
