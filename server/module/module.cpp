// The module's entry points for loading and for handing out its class object.
#include "boundary.h"
#include "class_factory.h"
#include "exception_memory.h"
#include "own_window.h"
#include "quorvane_idl.h"
#include "thread_timer.h"
#include "type_info.h"

using namespace quorvane::server;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH: {
        SetModuleInstance(instance);
        if (!PrepareExceptions())
            return FALSE;
        // Once loaded, the module stays loaded until the process ends (docs/threads.md): the
        // static C++ runtime cannot give back all it takes (a TLS index, memory), and each
        // load after an unload would take it again. DllCanUnloadNow still answers truly.
        HMODULE pinned;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(instance), &pinned);
        return TRUE;
    }
    case DLL_THREAD_DETACH:
        ThreadTimer::ForgetThread(GetCurrentThreadId()); // their timers end with them
        ForgetThreadExceptions();
        break;
    case DLL_PROCESS_DETACH:
        EndExceptions();
        break;
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return Boundary([]() -> HRESULT {
        // Windows destroyed without a message hold the module no more.
        OwnWindow::ForgetDestroyed();
        if (ModuleInUse())
            return S_FALSE;
        ReleaseScheduleTypeInfo();
        OwnWindow::UnregisterClass();
        return S_OK;
    });
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void **out) {
    return Boundary([&]() -> HRESULT {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (clsid != CLSID_Schedule)
            return CLASS_E_CLASSNOTAVAILABLE;
        IClassFactory *factory = new ClassFactory;
        const HRESULT hr = factory->QueryInterface(iid, out);
        factory->Release();
        return hr;
    });
}
