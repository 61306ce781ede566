// DllRegisterServer and DllUnregisterServer: the control Schedule under its ProgID
// Quorvane.Schedule, its two interfaces, and the type library under locale 0 without a help
// directory, all written here rather than by RegisterTypeLib, which would add both.
//
// On 64-bit Windows the CLSID and Interface keys are kept apart for 32-bit and 64-bit
// processes, while the ProgID and TypeLib keys are seen by both: each bitness writes and
// removes its own CLSID and Interface keys, and the shared keys go with the last of the two.
// Neither the class key nor the ProgID key has a default value: the class has no
// description, and its name is in the ProgID and the type library.
#include "module_lock.h"
#include "quorvane_idl.h"
#include "resource_ids.h"

#include <olectl.h>

#include <string>

namespace {

constexpr wchar_t kProgId[] = L"Quorvane.Schedule";
constexpr wchar_t kLibraryVersion[] = L"8.0";
// The Automation marshaller: PSOAInterface for dual interfaces, PSDispatch for dispinterfaces.
constexpr wchar_t kDualProxy[] = L"{00020424-0000-0000-C000-000000000046}";
constexpr wchar_t kDispatchProxy[] = L"{00020420-0000-0000-C000-000000000046}";
// OLEMISC_ flags of the content aspect: RECOMPOSEONRESIZE, CANTLINKINSIDE, INSIDEOUT,
// ACTIVATEWHENVISIBLE, INVISIBLEATRUNTIME and SETCLIENTSITEFIRST; none for other aspects.
constexpr wchar_t kMiscStatusContent[] = L"132497";
constexpr wchar_t kMiscStatusOther[] = L"0";
#ifdef _WIN64
constexpr wchar_t kPlatform[] = L"win64";
#else
constexpr wchar_t kPlatform[] = L"win32";
#endif

std::wstring Text(REFGUID guid) {
    wchar_t text[39];
    StringFromGUID2(guid, text, 39);
    return text;
}

// Sets value `name` (null: the default value) of HKCR\`key`, creating the key.
bool Set(const std::wstring &key, const wchar_t *name, const std::wstring &value) {
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

bool CreateKey(const std::wstring &key) {
    HKEY created;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(created);
    return true;
}

void Delete(const std::wstring &key) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
}

bool HasSubkeys(const std::wstring &key) {
    HKEY opened;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 0;
    RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    return subkeys > 0;
}

bool RegisterInterface(REFIID iid, const wchar_t *name, const wchar_t *proxy) {
    const std::wstring key = L"Interface\\" + Text(iid);
    return Set(key, nullptr, name) && Set(key + L"\\ProxyStubClsid", nullptr, proxy) &&
           Set(key + L"\\ProxyStubClsid32", nullptr, proxy) &&
           Set(key + L"\\TypeLib", nullptr, Text(LIBID_Quorvane)) &&
           Set(key + L"\\TypeLib", L"Version", kLibraryVersion);
}

bool RegisterControl(const std::wstring &path) {
    const std::wstring clsid = L"CLSID\\" + Text(CLSID_Schedule);
    const std::wstring bitmap = path + L", " + std::to_wstring(IDB_SCHEDULE_TOOLBOX);
    return Set(clsid + L"\\InprocServer32", nullptr, path) &&
           Set(clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
           Set(clsid + L"\\ProgID", nullptr, kProgId) && CreateKey(clsid + L"\\Control") &&
           Set(clsid + L"\\MiscStatus", nullptr, kMiscStatusOther) &&
           Set(clsid + L"\\MiscStatus\\1", nullptr, kMiscStatusContent) &&
           Set(clsid + L"\\ToolboxBitmap32", nullptr, bitmap) &&
           Set(clsid + L"\\TypeLib", nullptr, Text(LIBID_Quorvane)) &&
           Set(clsid + L"\\Version", nullptr, kLibraryVersion) &&
           Set(std::wstring(kProgId) + L"\\CLSID", nullptr, Text(CLSID_Schedule));
}

} // namespace

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(quorvane::server::ModuleInstance(), path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return SELFREG_E_CLASS;

    const std::wstring library = L"TypeLib\\" + Text(LIBID_Quorvane) + L"\\" + kLibraryVersion;
    const bool library_ok = Set(library, nullptr, L"Quorvane") &&
                            Set(library + L"\\FLAGS", nullptr, L"2") && // LIBFLAG_FCONTROL
                            Set(library + L"\\0\\" + kPlatform, nullptr, path) &&
                            RegisterInterface(IID__Schedule, L"_Schedule", kDualProxy) &&
                            RegisterInterface(DIID___Schedule, L"__Schedule", kDispatchProxy);
    if (!library_ok)
        return SELFREG_E_TYPELIB;
    return RegisterControl(path) ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    Delete(L"CLSID\\" + Text(CLSID_Schedule));
    Delete(L"Interface\\" + Text(IID__Schedule));
    Delete(L"Interface\\" + Text(DIID___Schedule));

    const std::wstring library = L"TypeLib\\" + Text(LIBID_Quorvane);
    const std::wstring version = library + L"\\" + kLibraryVersion;
    Delete(version + L"\\0\\" + kPlatform);
    if (!HasSubkeys(version + L"\\0")) {
        Delete(version);
        RegDeleteKeyW(HKEY_CLASSES_ROOT, library.c_str()); // only when no other version is left
        Delete(kProgId);
    }
    return S_OK;
}
