// The module's entry points and what DllRegisterServer wrote.
#include "host.h"

namespace {

std::wstring Key(const wchar_t *root, REFGUID guid, const wchar_t *rest = L"") {
    wchar_t text[39];
    StringFromGUID2(guid, text, 39);
    return std::wstring(root) + text + rest;
}

TEST(Module, RegistrationNamesTheClassInterfacesAndLibrary) {
    EXPECT_EQ(Key(L"", CLSID_Schedule), RegistryValue(L"Quorvane.Schedule\\CLSID"));
    const std::wstring clsid = Key(L"CLSID\\", CLSID_Schedule);
    EXPECT_EQ(L"Apartment", RegistryValue(clsid + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(L"Quorvane.Schedule", RegistryValue(clsid + L"\\ProgID"));
    EXPECT_EQ(Key(L"", LIBID_Quorvane), RegistryValue(clsid + L"\\TypeLib"));
    HKEY control;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, (clsid + L"\\Control").c_str(), 0,
                                           KEY_READ, &control));
    RegCloseKey(control);

    const std::wstring lib = Key(L"TypeLib\\", LIBID_Quorvane, L"\\8.0");
    const wchar_t *platform = sizeof(void *) == 8 ? L"\\0\\win64" : L"\\0\\win32";
    EXPECT_EQ(L"Quorvane", RegistryValue(lib));
    EXPECT_EQ(L"2", RegistryValue(lib + L"\\FLAGS"));
    EXPECT_EQ(ModulePath(), RegistryValue(lib + platform));
    EXPECT_EQ(L"<missing>", RegistryValue(lib + L"\\HELPDIR"));
    EXPECT_EQ(L"<missing>", RegistryValue(lib + L"\\409" + (platform + 2)));

    const std::wstring dual = Key(L"Interface\\", IID__Schedule);
    EXPECT_EQ(L"{00020424-0000-0000-C000-000000000046}",
              RegistryValue(dual + L"\\ProxyStubClsid32"));
    EXPECT_EQ(L"8.0", RegistryValue(dual + L"\\TypeLib", L"Version"));
    EXPECT_EQ(L"{00020420-0000-0000-C000-000000000046}",
              RegistryValue(Key(L"Interface\\", DIID___Schedule, L"\\ProxyStubClsid32")));
}

template <class Function> Function Export(HMODULE module, const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

TEST(Module, UnregisteringOneBitnessKeepsTheOther) {
    const std::wstring path = ModulePath();
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, module);
    using Entry = HRESULT(WINAPI *)();
    const auto unregister = Export<Entry>(module, "DllUnregisterServer");
    const auto reregister = Export<Entry>(module, "DllRegisterServer");
    ASSERT_TRUE(unregister && reregister);
    const std::wstring lib = Key(L"TypeLib\\", LIBID_Quorvane, L"\\8.0\\0\\");
    const wchar_t *mine = sizeof(void *) == 8 ? L"win64" : L"win32";
    const wchar_t *other = sizeof(void *) == 8 ? L"win32" : L"win64";
    const std::wstring other_path = RegistryValue(lib + other);

    EXPECT_EQ(S_OK, unregister());
    EXPECT_EQ(L"<missing>", ModulePath());
    EXPECT_EQ(L"<missing>", RegistryValue(lib + mine));
    EXPECT_EQ(other_path, RegistryValue(lib + other));
    EXPECT_NE(L"<missing>", other_path);
    EXPECT_EQ(S_OK, reregister());
    EXPECT_EQ(path, ModulePath());
    EXPECT_EQ(path, RegistryValue(lib + mine));
    FreeLibrary(module);
}

TEST(Module, ClassObjectAndUnloadCounting) {
    HMODULE module = LoadLibraryW(ModulePath().c_str());
    ASSERT_NE(nullptr, module);
    using GetClassObject = HRESULT(WINAPI *)(REFCLSID, REFIID, void **);
    using CanUnload = HRESULT(WINAPI *)();
    const auto get = Export<GetClassObject>(module, "DllGetClassObject");
    const auto can_unload = Export<CanUnload>(module, "DllCanUnloadNow");
    ASSERT_TRUE(get && can_unload);

    ComPtr<IClassFactory> factory;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, get(IID__Schedule, IID_PPV_ARGS(&factory)));
    ASSERT_EQ(S_OK, get(CLSID_Schedule, IID_PPV_ARGS(&factory)));
    ComPtr<IUnknown> outer, object;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory.Get(), IID_PPV_ARGS(&object)));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(&object)));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory.Reset();
    EXPECT_EQ(S_FALSE, can_unload());
    object.Reset();
    EXPECT_EQ(S_FALSE, can_unload()); // still locked
    ASSERT_EQ(S_OK, get(CLSID_Schedule, IID_PPV_ARGS(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory.Reset();
    EXPECT_EQ(S_OK, can_unload());
    FreeLibrary(module);
}

} // namespace
