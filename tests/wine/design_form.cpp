// A form at design time with the control on it, for a picture of the control's design-time
// face: the form sites the control with UserMode false, places it where it likes and takes the
// size the control asks for, and paints it through IViewObject. It prints "shown" with the
// form's client rectangle on the screen, and stays until the file named by its argument exists
// (20 seconds at most).
#include "quorvane_idl.h"
#include "test_site.h"

#include <wrl/client.h>

#include <cstdio>

using Microsoft::WRL::ComPtr;

namespace {

struct Form {
    TestSite *site = nullptr;
    ComPtr<IViewObject> view;
};

// The grid of a form designer, and the control where it sits.
LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const auto *form = reinterpret_cast<Form *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_PAINT || !form)
        return DefWindowProcW(window, message, wparam, lparam);
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    for (LONG y = 4; y < client.bottom; y += 8)
        for (LONG x = 4; x < client.right; x += 8)
            SetPixel(dc, x, y, RGB(0, 0, 0));
    const RECT place = form->site->LastPosition();
    const RECTL bounds{place.left, place.top, place.right, place.bottom};
    form->view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr,
                     0);
    EndPaint(window, &paint);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: design_form <file that ends the showing>\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WNDCLASSW form_class{};
    form_class.lpfnWndProc = FormProc;
    form_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    form_class.lpszClassName = L"QuorvaneDesignForm";
    RegisterClassW(&form_class);
    const HWND window = CreateWindowExW(0, L"QuorvaneDesignForm", L"Form1", WS_POPUP | WS_BORDER,
                                        40, 40, 160, 120, nullptr, nullptr, nullptr, nullptr);

    TestSite site(window);
    site.user_mode = false;
    site.place = {24, 16, 124, 96}; // the form drops it larger than it wants to be
    site.on_pos_rect_change = [&](const RECT &) {};
    Form form{&site, nullptr};
    CLSID clsid;
    ComPtr<IOleObject> object;
    ComPtr<IPersistStreamInit> persist;
    if (FAILED(CLSIDFromProgID(L"Quorvane.Schedule", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object))) ||
        FAILED(object.As(&persist)) || FAILED(object.As(&form.view)) ||
        FAILED(persist->InitNew()) || FAILED(object->SetClientSite(&site)) ||
        FAILED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, window, &site.place))) {
        std::fprintf(stderr, "cannot place the control on the form\n");
        return 1;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&form));
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT *>(&client), 2);
    std::printf("shown %ld %ld %ld %ld\n", client.left, client.top, client.right - client.left,
                client.bottom - client.top);
    std::fflush(stdout);

    const ULONGLONG end = GetTickCount64() + 20000;
    while (GetFileAttributesA(argv[1]) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    object.Reset();
    persist.Reset();
    form.view.Reset();
    // The window goes with the process: without a window manager, Wine would wait two seconds
    // for one to hide it.
    CoUninitialize();
    return 0;
}
