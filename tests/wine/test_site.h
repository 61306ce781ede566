// A container's site for one control, as the tests and the design-time form drive it: the
// client site, an in-place site in `window` (not windowless), and the ambient properties with
// a UserMode that can be switched. It notes every call the control makes on it.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <string>
#include <vector>

class TestSite final : public IOleClientSite, public IOleInPlaceSite, public IDispatch {
public:
    explicit TestSite(HWND window) : window_(window) {}

    bool user_mode = true;
    // What GetWindowContext gives as the control's place, and as its frame (or none).
    RECT place{0, 0, 100, 100};
    IOleInPlaceFrame *frame = nullptr;
    // "OnInPlaceActivate", "OnPosRectChange 10,20,43,53", "RequestNewObjectLayout", ...
    std::vector<std::wstring> calls;
    // Run from inside the notifications, as a container that answers them at once.
    std::function<void(const RECT &)> on_pos_rect_change;
    std::function<void()> on_layout_request;
    LONG refs = 1;

    // The rectangle of the last OnPosRectChange, or an empty one.
    RECT LastPosition() const { return last_position_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    HRESULT STDMETHODCALLTYPE SaveObject() override { return Note(L"SaveObject", S_OK); }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker **moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer **container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override { return Note(L"ShowObject", S_OK); }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return Note(L"OnShowWindow", S_OK); }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

    HRESULT STDMETHODCALLTYPE GetWindow(HWND *window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override {
        return Note(L"CanInPlaceActivate", S_OK);
    }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
        return Note(L"OnInPlaceActivate", S_OK);
    }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return Note(L"OnUIActivate", S_OK); }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame **out_frame,
                                               IOleInPlaceUIWindow **doc, LPRECT position,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override {
        return Note(L"OnUIDeactivate", S_OK);
    }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
        return Note(L"OnInPlaceDeactivate", S_OK);
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
        return E_NOTIMPL;
    }
    // The ambient properties: UserMode only.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *,
                                     VARIANT *result, EXCEPINFO *, UINT *) override;

private:
    HRESULT Note(std::wstring call, HRESULT hr) {
        calls.push_back(std::move(call));
        return hr;
    }

    HWND window_;
    RECT last_position_{};
};

std::wstring ToText(const RECT &rect);
