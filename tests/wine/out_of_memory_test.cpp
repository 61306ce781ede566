// The control when memory runs out: each of its calls, and each tick, with the module's
// allocations failing from the n-th on, for every n until the call needs no more; and a 32-bit
// process whose address space is really used up and then given back.
#include "failing_allocations.h"
#include "host.h"

#include <cstdlib>
#include <type_traits>

namespace {

constexpr DISPID kAddSchedule = 0x60030012, kInterval = 0x6803000E;
// Longer than the names an entry keeps in place, so that adding it allocates.
constexpr const wchar_t *kNew = L"New, with a name too long to be kept in place";

// A call through IDispatch::Invoke, whose members' failures come as DISP_E_EXCEPTION: the
// member's own HRESULT.
HRESULT Invoked(IDispatch *object, DISPID member, WORD flags, std::vector<VARIANT> args) {
    const Outcome outcome = CallId(object, member, flags, std::move(args));
    return outcome.hr == DISP_E_EXCEPTION ? outcome.scode : outcome.hr;
}

HRESULT WithName(const wchar_t *name, const std::function<HRESULT(BSTR *)> &call) {
    BSTR text = SysAllocString(name);
    const HRESULT hr = call(&text);
    SysFreeString(text);
    return hr;
}

// What the control holds, read with memory to spare: the count, each entry's due moment (or the
// error for a name that is not there) and both intervals.
std::wstring StateOf(_Schedule *s) {
    std::wstring state;
    ComPtr<IDispatch> items;
    EXPECT_EQ(S_OK, s->get_GetSchedules(&items));
    state += L"count " + std::to_wstring(CallId(items.Get(), 2, DISPATCH_PROPERTYGET, {}).Long());
    for (const wchar_t *name : {L"a", L"b", L"c", kNew}) {
        DATE when = 0;
        const HRESULT hr = WithName(name, [&](BSTR *text) { return s->get_NextTime(text, &when); });
        state +=
            L", " + std::wstring(name) + L" " + std::to_wstring(hr) + L" " + std::to_wstring(when);
    }
    LONG timer = 0;
    short interval = 0;
    s->get_TimerInterVal(&timer);
    s->get_Interval(&interval);
    return state + L", intervals " + std::to_wstring(timer) + L" " + std::to_wstring(interval);
}

class OutOfMemory : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, s->put_Interval(100));
        Restore();
        ASSERT_TRUE(module);
        ASSERT_GE(inject.Patched(), 3u); // malloc, calloc, realloc at least
    }
    // The entries every case starts from, and whatever a case's call removed.
    void Restore() {
        const std::wstring names[] = {L"a", L"b", L"c"};
        for (int i = 0; i < 3; ++i) {
            DATE when;
            if (WithName(names[i].c_str(), [&](BSTR *n) { return s->get_NextTime(n, &when); })) {
                ASSERT_EQ(S_OK, AddAt(s.Get(), names[i].c_str(), NowPlus(3600 * (i + 1))));
            }
        }
    }

    // Runs `call` with the module's allocations failing from the n-th on, for n = 1, 2, ...
    // until it needs fewer: until then it answers E_OUTOFMEMORY and changes nothing; then it
    // answers `success`. `undo` puts back what a successful call changed.
    // `state_of` reads what must not change; by default, the control's state.
    void EveryFailure(const char *what, const std::function<HRESULT()> &call,
                      const std::function<void()> &undo = {}, HRESULT success = S_OK,
                      std::function<std::wstring()> state_of = {}) {
        SCOPED_TRACE(what);
        if (!state_of)
            state_of = [&] { return StateOf(s.Get()); };
        for (unsigned n = 1;; ++n) {
            const std::wstring before = state_of();
            inject.FailFrom(n);
            const HRESULT hr = call();
            inject.Disarm();
            if (hr == E_OUTOFMEMORY) {
                ASSERT_TRUE(inject.Failed());
                ASSERT_EQ(before, state_of()) << "allocation " << n;
                ASSERT_LT(n, 200u);
                continue;
            }
            ASSERT_EQ(success, hr) << "allocation " << n;
            if (undo)
                undo();
            if (!inject.Failed())
                return;
        }
    }

    // The same, for a call that answers as it does with memory when it needs none.
    void EveryFailureAsUsual(const char *what, const std::function<HRESULT()> &call,
                             const std::function<void()> &undo = {}) {
        const HRESULT usual = call();
        ASSERT_NE(E_OUTOFMEMORY, usual) << what;
        if (undo)
            undo();
        EveryFailure(what, call, undo, usual);
    }

    Sink first, second; // outlive the control that holds them
    ComPtr<_Schedule> s = NewSchedule();
    HMODULE module = ControlModule();
    FailingAllocations inject{module};
};

TEST_F(OutOfMemory, EveryMemberAnswersOutOfMemoryAndChangesNothing) {
    const auto remove_new = [&] {
        EXPECT_EQ(S_OK, WithName(kNew, [&](BSTR *n) { return s->RemoveSchedule(n); }));
    };
    EveryFailure(
        "AddSchedule", [&] { return AddAt(s.Get(), kNew, NowPlus(7200)); }, remove_new);
    EveryFailure(
        "AddSchedule through Invoke",
        [&] {
            return Invoked(s.Get(), kAddSchedule, DISPATCH_METHOD,
                           {Str(kNew), I4(0), I4(0), I4(0), I4(0), I4(0), I4(23)});
        },
        remove_new);
    EveryFailure(
        "RemoveSchedule",
        [&] { return WithName(L"b", [&](BSTR *n) { return s->RemoveSchedule(n); }); },
        [&] { Restore(); });
    EveryFailure(
        "RemoveAllSchedule", [&] { return s->RemoveAllSchedule(); }, [&] { Restore(); });
    EveryFailure("GetSchedules", [&] {
        ComPtr<IDispatch> items;
        return s->get_GetSchedules(&items);
    });
    EveryFailure("NextTime", [&] {
        DATE when;
        return WithName(L"c", [&](BSTR *n) { return s->get_NextTime(n, &when); });
    });
    EveryFailure(
        "TimerInterVal", [&] { return s->put_TimerInterVal(250); },
        [&] { EXPECT_EQ(S_OK, s->put_TimerInterVal(100)); });
    EveryFailure(
        "Interval", [&] { return s->put_Interval(300); },
        [&] { EXPECT_EQ(S_OK, s->put_Interval(100)); });
    EveryFailure("Interval through Invoke",
                 [&] { return CallId(s.Get(), kInterval, DISPATCH_PROPERTYGET, {}).hr; });
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, s.As(&container));
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID___Schedule, &point));
    DWORD cookie = 0;
    EveryFailure(
        "Advise", [&] { return point->Advise(&first, &cookie); },
        [&] { EXPECT_EQ(S_OK, point->Unadvise(cookie)); });
    EXPECT_EQ(1, first.refs);
}

TEST_F(OutOfMemory, TheCollectionEnumeratorsAndUserTypeAnswerOutOfMemoryAndChangeNothing) {
    ComPtr<IDispatch> items;
    ASSERT_EQ(S_OK, s->get_GetSchedules(&items));
    ComPtr<_Collection> collection;
    ASSERT_EQ(S_OK, items.As(&collection));
    const auto items_state = [&] {
        std::wstring state;
        LONG count = 0;
        EXPECT_EQ(S_OK, collection->Count(&count));
        for (LONG at = 1; at <= count; ++at) {
            Outcome item = CallId(items.Get(), DISPID_VALUE, DISPATCH_PROPERTYGET, {I4(at)});
            EXPECT_EQ(S_OK, VariantChangeType(&item.value, &item.value, 0, VT_BSTR));
            state += item.String() + L";";
        }
        return state;
    };
    const auto call = [&](DISPID member, WORD flags, std::vector<VARIANT> args) {
        return [&, member, flags, args] { return Invoked(items.Get(), member, flags, args); };
    };
    const auto remove_k = [&] {
        EXPECT_EQ(S_OK, Invoked(items.Get(), 3, DISPATCH_METHOD, {Str(L"k")}));
    };
    EveryFailure(
        "Collection.Add",
        [&] {
            return Invoked(items.Get(), 1, DISPATCH_METHOD, {I4(42), Str(L"k")});
        },
        remove_k, S_OK, items_state);
    EveryFailure("Collection.Item", call(DISPID_VALUE, DISPATCH_PROPERTYGET, {I4(2)}), {}, S_OK,
                 items_state);
    EveryFailure(
        "Collection.Remove", [&] { return Invoked(items.Get(), 3, DISPATCH_METHOD, {I4(1)}); },
        [&] { EXPECT_EQ(S_OK, Invoked(items.Get(), 1, DISPATCH_METHOD, {I4(7)})); }, S_OK,
        items_state);
    EveryFailure(
        "Collection._NewEnum",
        [&] {
            ComPtr<IUnknown> walk;
            HRESULT hr = collection->_NewEnum(&walk);
            ComPtr<IEnumVARIANT> items_walk;
            if (SUCCEEDED(hr) && SUCCEEDED(hr = walk.As(&items_walk))) {
                VARIANT item;
                VariantInit(&item);
                hr = items_walk->Next(1, &item, nullptr);
                VariantClear(&item);
            }
            return hr;
        },
        {}, S_OK, items_state);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, s.As(&container));
    EveryFailure("EnumConnectionPoints", [&] {
        ComPtr<IEnumConnectionPoints> points;
        return container->EnumConnectionPoints(&points);
    });
    ComPtr<IOleObject> embedded;
    ASSERT_EQ(S_OK, s.As(&embedded));
    EveryFailure("GetUserType", [&] {
        LPOLESTR type = nullptr;
        const HRESULT hr = embedded->GetUserType(USERCLASSTYPE_FULL, &type);
        CoTaskMemFree(type);
        return hr;
    });
    Connect(s.Get(), first);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID___Schedule, &point));
    EveryFailure("EnumConnections", [&] {
        ComPtr<IEnumConnections> connections;
        return point->EnumConnections(&connections);
    });
}

// Gives nothing to read and takes what is written.
struct EmptyBag final : IPropertyBag {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        *out = iid == IID_IUnknown || iid == IID_IPropertyBag ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR, VARIANT *, IErrorLog *) override {
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT *) override { return S_OK; }
};

// Every other method of every interface the module implements, with allocations failing from
// the n-th on: a container's new start or load, which resets the control, answers
// E_OUTOFMEMORY and leaves it as it was; every call answers as it does with memory otherwise.
TEST_F(OutOfMemory, EveryMethodOfEveryInterfaceAnswersOutOfMemoryOrAsUsual) {
    const auto fresh_again = [&] {
        Restore();
        EXPECT_EQ(S_OK, s->put_Interval(100));
    };
    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    ComPtr<IStorage> storage;
    ASSERT_EQ(S_OK, StgCreateDocfile(nullptr,
                                     STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE |
                                         STGM_DELETEONRELEASE,
                                     0, &storage));
    EmptyBag bag;
    ComPtr<IPersistStreamInit> streamed;
    ComPtr<IPersistPropertyBag> bagged;
    ComPtr<IPersistStorage> stored;
    ASSERT_EQ(S_OK, s.As(&streamed));
    ASSERT_EQ(S_OK, s.As(&bagged));
    ASSERT_EQ(S_OK, s.As(&stored));
    EveryFailure(
        "IPersistStreamInit::InitNew", [&] { return streamed->InitNew(); }, fresh_again);
    EveryFailure(
        "IPersistStreamInit::Load", [&] { return streamed->Load(stream.Get()); }, fresh_again);
    EveryFailure(
        "IPersistPropertyBag::Load", [&] { return bagged->Load(&bag, nullptr); }, fresh_again);
    EveryFailure(
        "IPersistStorage::InitNew", [&] { return stored->InitNew(storage.Get()); }, fresh_again);
    EveryFailure(
        "IPersistStorage::Load", [&] { return stored->Load(storage.Get()); }, fresh_again);
    CLSID clsid;
    ULARGE_INTEGER size;
    EveryFailureAsUsual("GetClassID", [&] { return streamed->GetClassID(&clsid); });
    EveryFailureAsUsual("IsDirty", [&] { return streamed->IsDirty(); });
    EveryFailureAsUsual("Save", [&] { return streamed->Save(stream.Get(), TRUE); });
    EveryFailureAsUsual("GetSizeMax", [&] { return streamed->GetSizeMax(&size); });
    EveryFailureAsUsual("IPersistPropertyBag::Save",
                        [&] { return bagged->Save(&bag, TRUE, TRUE); });
    EveryFailureAsUsual("IPersistStorage::Save", [&] { return stored->Save(storage.Get(), TRUE); });
    EveryFailureAsUsual("SaveCompleted", [&] { return stored->SaveCompleted(nullptr); });
    EveryFailureAsUsual("HandsOffStorage", [&] { return stored->HandsOffStorage(); });

    ComPtr<IOleObject> object;
    ComPtr<IOleControl> control;
    ASSERT_EQ(S_OK, s.As(&object));
    ASSERT_EQ(S_OK, s.As(&control));
    ComPtr<IOleClientSite> site;
    ComPtr<IMoniker> moniker;
    ComPtr<IDataObject> data;
    ComPtr<IEnumOLEVERB> verbs;
    ComPtr<IEnumSTATDATA> advised;
    SIZEL extent{882, 882};
    DWORD status = 0, cookie = 0;
    CONTROLINFO info{sizeof info, nullptr, 0, 0};
    struct : IAdviseSink {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override {
            *out = this;
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        void STDMETHODCALLTYPE OnDataChange(FORMATETC *, STGMEDIUM *) override {}
        void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override {}
        void STDMETHODCALLTYPE OnRename(IMoniker *) override {}
        void STDMETHODCALLTYPE OnSave() override {}
        void STDMETHODCALLTYPE OnClose() override {}
    } view_sink;
    EveryFailureAsUsual("SetClientSite", [&] { return object->SetClientSite(nullptr); });
    EveryFailureAsUsual("GetClientSite", [&] { return object->GetClientSite(&site); });
    EveryFailureAsUsual("SetHostNames", [&] { return object->SetHostNames(L"a", L"b"); });
    EveryFailureAsUsual("Close", [&] { return object->Close(OLECLOSE_NOSAVE); });
    EveryFailureAsUsual("SetMoniker",
                        [&] { return object->SetMoniker(OLEWHICHMK_OBJREL, nullptr); });
    EveryFailureAsUsual("GetMoniker", [&] {
        return object->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_OBJREL, &moniker);
    });
    EveryFailureAsUsual("InitFromData", [&] { return object->InitFromData(nullptr, TRUE, 0); });
    EveryFailureAsUsual("GetClipboardData", [&] { return object->GetClipboardData(0, &data); });
    EveryFailureAsUsual("DoVerb", [&] {
        return object->DoVerb(OLEIVERB_HIDE, nullptr, nullptr, 0, nullptr, nullptr);
    });
    EveryFailureAsUsual("EnumVerbs", [&] {
        verbs.Reset();
        return object->EnumVerbs(&verbs);
    });
    EveryFailureAsUsual("Update", [&] { return object->Update(); });
    EveryFailureAsUsual("IsUpToDate", [&] { return object->IsUpToDate(); });
    EveryFailureAsUsual("GetUserClassID", [&] { return object->GetUserClassID(&clsid); });
    EveryFailureAsUsual("IOleObject::SetExtent",
                        [&] { return object->SetExtent(DVASPECT_CONTENT, &extent); });
    EveryFailureAsUsual("IOleObject::GetExtent",
                        [&] { return object->GetExtent(DVASPECT_CONTENT, &extent); });
    EveryFailureAsUsual(
        "IOleObject::Advise", [&] { return object->Advise(&view_sink, &cookie); },
        [&] { object->Unadvise(cookie); });
    EveryFailureAsUsual("IOleObject::Unadvise", [&] { return object->Unadvise(12345); });
    EveryFailureAsUsual("EnumAdvise", [&] {
        advised.Reset();
        return object->EnumAdvise(&advised);
    });
    EveryFailureAsUsual("GetMiscStatus",
                        [&] { return object->GetMiscStatus(DVASPECT_CONTENT, &status); });
    EveryFailureAsUsual("SetColorScheme", [&] { return object->SetColorScheme(nullptr); });
    EveryFailureAsUsual("GetControlInfo", [&] { return control->GetControlInfo(&info); });
    EveryFailureAsUsual("OnMnemonic", [&] { return control->OnMnemonic(nullptr); });
    EveryFailureAsUsual("OnAmbientPropertyChange",
                        [&] { return control->OnAmbientPropertyChange(DISPID_UNKNOWN); });
    EveryFailureAsUsual(
        "FreezeEvents", [&] { return control->FreezeEvents(TRUE); },
        [&] { control->FreezeEvents(FALSE); });

    ComPtr<IOleInPlaceObjectWindowless> in_place;
    ComPtr<IOleInPlaceActiveObject> active;
    ASSERT_EQ(S_OK, s.As(&in_place));
    ASSERT_EQ(S_OK, s.As(&active));
    HWND window = nullptr;
    const RECT place{0, 0, 10, 10};
    LRESULT result = 0;
    ComPtr<IDropTarget> drop;
    EveryFailureAsUsual("GetWindow", [&] { return in_place->GetWindow(&window); });
    EveryFailureAsUsual("ContextSensitiveHelp",
                        [&] { return in_place->ContextSensitiveHelp(FALSE); });
    EveryFailureAsUsual("InPlaceDeactivate", [&] { return in_place->InPlaceDeactivate(); });
    EveryFailureAsUsual("UIDeactivate", [&] { return in_place->UIDeactivate(); });
    EveryFailureAsUsual("SetObjectRects", [&] { return in_place->SetObjectRects(&place, &place); });
    EveryFailureAsUsual("ReactivateAndUndo", [&] { return in_place->ReactivateAndUndo(); });
    EveryFailureAsUsual("OnWindowMessage",
                        [&] { return in_place->OnWindowMessage(WM_NULL, 0, 0, &result); });
    EveryFailureAsUsual("GetDropTarget", [&] { return in_place->GetDropTarget(&drop); });
    EveryFailureAsUsual("TranslateAccelerator",
                        [&] { return active->TranslateAccelerator(nullptr); });
    EveryFailureAsUsual("OnFrameWindowActivate",
                        [&] { return active->OnFrameWindowActivate(TRUE); });
    EveryFailureAsUsual("OnDocWindowActivate", [&] { return active->OnDocWindowActivate(TRUE); });
    EveryFailureAsUsual("ResizeBorder",
                        [&] { return active->ResizeBorder(&place, nullptr, TRUE); });
    EveryFailureAsUsual("EnableModeless", [&] { return active->EnableModeless(TRUE); });

    ComPtr<IViewObject2> view;
    ASSERT_EQ(S_OK, s.As(&view));
    const HDC dc = CreateCompatibleDC(nullptr);
    const RECTL bounds{0, 0, 32, 32};
    LOGPALETTE *colors = nullptr;
    DWORD aspects = 0, flags = 0, frozen = 0;
    ComPtr<IAdviseSink> sink;
    EveryFailureAsUsual("Draw", [&] {
        return view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                          nullptr, 0);
    });
    DeleteDC(dc);
    EveryFailureAsUsual("GetColorSet", [&] {
        return view->GetColorSet(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, &colors);
    });
    EveryFailureAsUsual("Freeze",
                        [&] { return view->Freeze(DVASPECT_CONTENT, -1, nullptr, &frozen); });
    EveryFailureAsUsual("Unfreeze", [&] { return view->Unfreeze(frozen); });
    EveryFailureAsUsual("SetAdvise",
                        [&] { return view->SetAdvise(DVASPECT_CONTENT, 0, &view_sink); });
    EveryFailureAsUsual("GetAdvise", [&] {
        sink.Reset();
        return view->GetAdvise(&aspects, &flags, &sink);
    });
    EveryFailureAsUsual("IViewObject2::GetExtent",
                        [&] { return view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent); });
    view->SetAdvise(0, 0, nullptr);

    ComPtr<IProvideClassInfo2> provide;
    ASSERT_EQ(S_OK, s.As(&provide));
    ComPtr<ITypeInfo> type;
    GUID guid;
    EveryFailureAsUsual("GetClassInfo", [&] {
        type.Reset();
        return provide->GetClassInfo(&type);
    });
    EveryFailureAsUsual("GetGUID",
                        [&] { return provide->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid); });

    // The control's IDispatch and error information, and its collection's.
    UINT count = 0;
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"AddSchedule");
    EveryFailureAsUsual("GetTypeInfoCount", [&] { return s->GetTypeInfoCount(&count); });
    EveryFailureAsUsual("GetTypeInfo", [&] {
        type.Reset();
        return s->GetTypeInfo(0, 0, &type);
    });
    EveryFailureAsUsual("GetIDsOfNames",
                        [&] { return s->GetIDsOfNames(IID_NULL, &name, 1, 0, &id); });
    ComPtr<ISupportErrorInfo> supports;
    ASSERT_EQ(S_OK, s.As(&supports));
    EveryFailureAsUsual("InterfaceSupportsErrorInfo",
                        [&] { return supports->InterfaceSupportsErrorInfo(IID__Schedule); });
    ComPtr<IDispatch> items;
    ASSERT_EQ(S_OK, s->get_GetSchedules(&items));
    ComPtr<_Collection> collection;
    ASSERT_EQ(S_OK, items.As(&collection));
    ASSERT_EQ(S_OK, items.As(&supports));
    LONG counted = 0;
    LPOLESTR item = const_cast<LPOLESTR>(L"Item");
    EveryFailureAsUsual("Collection.Count", [&] { return collection->Count(&counted); });
    EveryFailureAsUsual("Collection.GetTypeInfoCount",
                        [&] { return items->GetTypeInfoCount(&count); });
    EveryFailureAsUsual("Collection.GetTypeInfo", [&] { return items->GetTypeInfo(0, 0, &type); });
    EveryFailureAsUsual("Collection.GetIDsOfNames",
                        [&] { return items->GetIDsOfNames(IID_NULL, &item, 1, 0, &id); });
    EveryFailureAsUsual("Collection.InterfaceSupportsErrorInfo",
                        [&] { return supports->InterfaceSupportsErrorInfo(IID__Collection); });

    // The connection point, and every enumerator: of connection points, connections, items.
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, s.As(&container));
    ComPtr<IConnectionPoint> point;
    EveryFailureAsUsual("FindConnectionPoint", [&] {
        point.Reset();
        return container->FindConnectionPoint(DIID___Schedule, &point);
    });
    IID iid;
    ComPtr<IConnectionPointContainer> back;
    EveryFailureAsUsual("GetConnectionInterface",
                        [&] { return point->GetConnectionInterface(&iid); });
    EveryFailureAsUsual("GetConnectionPointContainer", [&] {
        back.Reset();
        return point->GetConnectionPointContainer(&back);
    });
    const DWORD connected = Connect(s.Get(), first);
    EveryFailureAsUsual("IConnectionPoint::Unadvise",
                        [&] { return point->Unadvise(connected + 1); });
    ComPtr<IEnumConnectionPoints> points;
    ComPtr<IEnumConnections> connections;
    ComPtr<IUnknown> walk;
    ComPtr<IEnumVARIANT> walking;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    ASSERT_EQ(S_OK, point->EnumConnections(&connections));
    ASSERT_EQ(S_OK, collection->_NewEnum(&walk));
    ASSERT_EQ(S_OK, walk.As(&walking));
    const auto enumerator = [&](const char *what, auto &walker) {
        SCOPED_TRACE(what);
        using Walker = std::remove_reference_t<decltype(*walker.Get())>;
        ComPtr<Walker> clone;
        EveryFailureAsUsual("Skip", [&] {
            walker->Reset();
            return walker->Skip(1);
        });
        EveryFailureAsUsual("Reset", [&] { return walker->Reset(); });
        EveryFailureAsUsual("Clone", [&] {
            clone.Reset();
            return walker->Clone(&clone);
        });
    };
    enumerator("IEnumConnectionPoints", points);
    enumerator("IEnumConnections", connections);
    enumerator("IEnumVARIANT", walking);
    EveryFailureAsUsual("IEnumConnectionPoints::Next", [&] {
        ComPtr<IConnectionPoint> next;
        points->Reset();
        return points->Next(1, &next, nullptr);
    });

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_Schedule, CLSCTX_INPROC_SERVER, nullptr,
                                     IID_PPV_ARGS(&factory)));
    EveryFailureAsUsual("CreateInstance", [&] {
        ComPtr<_Schedule> made;
        return factory->CreateInstance(nullptr, IID_PPV_ARGS(&made));
    });
    EveryFailureAsUsual(
        "LockServer", [&] { return factory->LockServer(TRUE); },
        [&] { factory->LockServer(FALSE); });
}

// The running timer ticks on when a new interval cannot be had: the new timer is made before
// the old one goes, and a failure leaves the old one.
TEST_F(OutOfMemory, AnIntervalThatCannotBeSetLeavesTheTimerTicking) {
    Connect(s.Get(), first);
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Due", NowPlus(1)));
    inject.FailFrom(1);
    EXPECT_EQ(E_OUTOFMEMORY, s->put_TimerInterVal(150));
    inject.Disarm();
    EXPECT_TRUE(PumpUntil([&] { return !first.keys.empty(); }, 2500)) << "the alarm was lost";
    EXPECT_EQ(std::vector<std::wstring>{L"Due"}, first.keys);
}

// Two sinks hear every alarm; the second freezes the events in its handler, so that each thaw
// lets one alarm out. With allocations failing from the n-th on, a tick either raises its alarm
// to both sinks or to neither and leaves it due, and the control works on: the next tick with
// memory raises it, once.
TEST_F(OutOfMemory, ATickThatRunsOutLeavesItsAlarmDueForTheNext) {
    ComPtr<IOleControl> control;
    ASSERT_EQ(S_OK, s.As(&control));
    Connect(s.Get(), first);
    Connect(s.Get(), second);
    second.handler = [&](const std::wstring &) { control->FreezeEvents(TRUE); };
    ASSERT_EQ(S_OK, control->FreezeEvents(TRUE));
    const DATE due = NowPlus(1);
    std::vector<std::wstring> names;
    for (int i = 0; i < 40; ++i) {
        names.push_back(L"e" + std::to_wstring(100 + i));
        ASSERT_EQ(S_OK, AddAt(s.Get(), names.back().c_str(), due));
    }
    PumpUntil([] { return false; }, 2200); // all due, and held by the freeze

    bool failed = true;
    for (unsigned n = 1; failed; ++n) {
        SCOPED_TRACE(testing::Message() << "allocation " << n);
        ASSERT_LT(n, names.size());
        const std::size_t heard = second.keys.size();
        inject.FailFrom(n);
        ASSERT_EQ(S_OK, control->FreezeEvents(FALSE));
        const bool raised = PumpUntil([&] { return second.keys.size() > heard; }, 350);
        inject.Disarm();
        failed = inject.Failed();
        if (!raised) {
            ASSERT_TRUE(failed);
            EXPECT_EQ(heard, first.keys.size()) << "one sink heard an alarm the other did not";
            ASSERT_TRUE(PumpUntil([&] { return second.keys.size() > heard; }, 1000))
                << "the alarm was lost";
        }
        ASSERT_EQ(heard + 1, second.keys.size());
        ASSERT_EQ(first.keys, second.keys);
    }
    second.handler = nullptr;
    ASSERT_EQ(S_OK, control->FreezeEvents(FALSE));
    ASSERT_TRUE(PumpUntil([&] { return second.keys.size() == names.size(); }, 2000));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(names, first.keys); // each once, in the order they were added
    EXPECT_EQ(names, second.keys);
    EXPECT_EQ(2, first.refs); // held by the connection alone
    EXPECT_EQ(2, second.refs);
}

// Counts RunTime without allocating anything, as nothing can be while memory is gone.
class CountingSink final : public IDispatch {
public:
    LONG events = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        *out = this;
        return iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID___Schedule
                   ? S_OK
                   : (*out = nullptr, E_NOINTERFACE);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *,
                                     EXCEPINFO *, UINT *) override {
        ++events;
        return S_OK;
    }
};

// Takes every byte it can get: the address space, then what the C runtime's heap and the
// process heap still hold; gives it all back when it goes. Fixed arrays, as nothing can grow.
class AddressSpaceHog {
public:
    AddressSpaceHog() { TakeWhatIsLeft(); }
    // Takes what came free meanwhile (the system's threads end and give back their stacks).
    void TakeWhatIsLeft() {
        for (SIZE_T size = SIZE_T{1} << 30; size >= 4096 && regions_ < kMax;)
            if (void *got = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))
                region_[regions_++] = got;
            else
                size /= 2;
        for (std::size_t size = 1 << 20; size >= 8 && blocks_ < kMax;)
            if (void *got = std::malloc(size))
                block_[blocks_++] = got;
            else
                size /= 2;
        for (std::size_t size = 1 << 20; size >= 8 && heap_blocks_ < kMax;)
            if (void *got = HeapAlloc(GetProcessHeap(), 0, size))
                heap_block_[heap_blocks_++] = got;
            else
                size /= 2;
    }
    ~AddressSpaceHog() {
        while (heap_blocks_ > 0)
            HeapFree(GetProcessHeap(), 0, heap_block_[--heap_blocks_]);
        while (blocks_ > 0)
            std::free(block_[--blocks_]);
        while (regions_ > 0)
            VirtualFree(region_[--regions_], 0, MEM_RELEASE);
    }
    AddressSpaceHog(const AddressSpaceHog &) = delete;
    AddressSpaceHog &operator=(const AddressSpaceHog &) = delete;
    bool Full() const { return regions_ < kMax && blocks_ < kMax && heap_blocks_ < kMax; }

private:
    static constexpr std::size_t kMax = 100000;
    static inline void *region_[kMax], *block_[kMax], *heap_block_[kMax];
    std::size_t regions_ = 0, blocks_ = 0, heap_blocks_ = 0;
};

TEST(OutOfMemoryForReal, A32BitProcessWithoutMemoryKeepsTheControlWorking) {
    if (sizeof(void *) != 4)
        GTEST_SKIP() << "a 64-bit address space cannot be used up";
    ComPtr<_Schedule> s = NewSchedule();
    ASSERT_EQ(S_OK, s->put_Interval(100));
    ComPtr<IOleControl> control;
    ASSERT_EQ(S_OK, s.As(&control));
    CountingSink sink;
    Connect(s.Get(), static_cast<IUnknown *>(&sink));
    // Due, and held by a freeze until memory is gone.
    ASSERT_EQ(S_OK, control->FreezeEvents(TRUE));
    ASSERT_EQ(S_OK, AddAt(s.Get(), L"Due", NowPlus(1)));
    PumpUntil([&] { return false; }, 2200);
    BSTR name = SysAllocString(kNew);
    ::schDateType daily = schEveryDay;
    HRESULT added, interval;
    LONG events_without_memory;
    bool full;
    {
        AddressSpaceHog hog;
        full = hog.Full();
        control->FreezeEvents(FALSE);
        added = s->AddSchedule(&name, &daily, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr);
        hog.TakeWhatIsLeft();
        interval = s->put_TimerInterVal(150);
        const ULONGLONG end = GetTickCount64() + 500;
        MSG msg;
        while (GetTickCount64() < end) {
            hog.TakeWhatIsLeft();
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            Sleep(10);
        }
        events_without_memory = sink.events;
    }
    ASSERT_TRUE(full);
    EXPECT_EQ(E_OUTOFMEMORY, added);
    EXPECT_EQ(E_OUTOFMEMORY, interval);
    EXPECT_EQ(0, events_without_memory);
    EXPECT_TRUE(PumpUntil([&] { return sink.events == 1; }, 1000)) << "the alarm was lost";
    EXPECT_EQ(S_OK, s->AddSchedule(&name, &daily, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr));
    SysFreeString(name);
    PumpUntil([&] { return false; }, 300);
    EXPECT_EQ(1, sink.events);
}

// Runs `work` on `count` threads of their own, which stay until `Leave`.
class Threads {
public:
    Threads(int count, std::function<void()> work) : work_(std::move(work)) {
        for (int i = 0; i < count; ++i)
            threads_.push_back(CreateThread(nullptr, 64 * 1024, Main, this,
                                            STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
        while (InterlockedCompareExchange(&done_, 0, 0) < count)
            Sleep(1);
    }
    ~Threads() {
        SetEvent(leave_);
        for (const HANDLE thread : threads_) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        CloseHandle(leave_);
    }

private:
    static DWORD WINAPI Main(void *self) {
        auto &threads = *static_cast<Threads *>(self);
        threads.work_();
        InterlockedIncrement(&threads.done_);
        WaitForSingleObject(threads.leave_, INFINITE);
        return 0;
    }
    std::function<void()> work_;
    std::vector<HANDLE> threads_;
    HANDLE leave_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LONG done_ = 0;
};

// A member that throws and catches inside (Interval overflows at the default interval) leaves
// the caller's last error as it was, also on a thread's first call.
TEST(ExceptionState, AThrowInsideAMemberKeepsTheCallersLastError) {
    ComPtr<_Schedule> s = NewSchedule();
    const auto overflow_keeps_last_error = [&] {
        short interval = 0;
        SetLastError(12345);
        EXPECT_EQ(Err(6), s->get_Interval(&interval));
        EXPECT_EQ(12345u, GetLastError());
    };
    overflow_keeps_last_error();
    Threads another(1, overflow_keeps_last_error);
}

// With 256 threads that came into the module and threw there still alive, and memory gone, one
// more thread's call answers E_OUTOFMEMORY like theirs would: the process lives on.
TEST(ExceptionState, OneThreadMoreThanTheTableWithoutMemoryAnswersOutOfMemory) {
    ComPtr<_Schedule> s = NewSchedule();
    FailingAllocations inject{ControlModule()};
    Threads holding(256, [&] {
        short interval = 0;
        EXPECT_EQ(Err(6), s->get_Interval(&interval));
    });
    HRESULT hr = S_OK;
    Threads one_more(1, [&] {
        short interval = 0;
        inject.FailFrom(1);
        hr = s->get_Interval(&interval);
        inject.Disarm();
    });
    EXPECT_EQ(E_OUTOFMEMORY, hr);
    EXPECT_TRUE(inject.Failed());
}

// Threads that come and go, each making a control, throwing inside it and ending, with
// CoUninitialize or without (COM then asks DllCanUnloadNow after the thread's own detach):
// more of them than the module's table has rows, and none takes its state from the heap, nor
// does a thread after them.
TEST(ExceptionState, ThreadsThatEndGiveTheirStateBackWithOrWithoutCoUninitialize) {
    const ComPtr<_Schedule> loaded = NewSchedule();
    FailingAllocations inject{ControlModule()};
    const auto visit = [](bool uninitialize) {
        Threads one(1, [&] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            short interval = 0;
            EXPECT_EQ(Err(6), NewSchedule()->get_Interval(&interval));
            if (uninitialize)
                CoUninitialize();
        });
    };
    for (int i = 0; i < 300; ++i)
        visit(false);
    visit(true);
    EXPECT_EQ(0, inject.HeapBlocks());
}

} // namespace
