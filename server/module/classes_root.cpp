// DllRegisterServer and DllUnregisterServer: the registration (registration.cpp) written to
// the registry below HKEY_CLASSES_ROOT, in the view of this module's bitness.
#include "boundary.h"
#include "module_lock.h"
#include "registration.h"

#include <olectl.h>

#include <cwchar>
#include <new>

namespace quorvane::server {
namespace {

constexpr REGSAM kOtherView = sizeof(void *) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

class OpenedKey {
public:
    OpenedKey(const std::wstring &key, REGSAM access)
        : status(RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, access, &handle)) {}
    OpenedKey(const OpenedKey &) = delete;
    OpenedKey &operator=(const OpenedKey &) = delete;
    ~OpenedKey() {
        if (status == ERROR_SUCCESS)
            RegCloseKey(handle);
    }

    HKEY handle = nullptr;
    LSTATUS status;
};

class ClassesRoot final : public ClassesRegistry {
public:
    LSTATUS CreateKey(const std::wstring &key, bool &created) override {
        HKEY handle;
        DWORD disposition = 0;
        const LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0,
                                               KEY_QUERY_VALUE, nullptr, &handle, &disposition);
        if (status == ERROR_SUCCESS)
            RegCloseKey(handle);
        created = disposition == REG_CREATED_NEW_KEY;
        return status;
    }

    LSTATUS SetValue(const std::wstring &key, const std::wstring &name,
                     const StoredValue &value) override {
        const OpenedKey opened(key, KEY_SET_VALUE);
        if (opened.status != ERROR_SUCCESS)
            return opened.status;
        return RegSetValueExW(opened.handle, name.c_str(), 0, value.type, value.data.data(),
                              static_cast<DWORD>(value.data.size()));
    }

    LSTATUS GetValue(const std::wstring &key, const std::wstring &name, std::wstring &text,
                     View view) override {
        const OpenedKey opened(key, KEY_QUERY_VALUE | (view == View::Other ? kOtherView : 0));
        if (opened.status != ERROR_SUCCESS)
            return opened.status;
        LSTATUS status = ERROR_MORE_DATA;
        for (DWORD size = 64 * sizeof(wchar_t); status == ERROR_MORE_DATA;) {
            text.resize(size / sizeof(wchar_t));
            // RRF_RT_REG_SZ takes REG_EXPAND_SZ too, with the variables put in.
            status = RegGetValueW(opened.handle, nullptr, name.c_str(), RRF_RT_REG_SZ, nullptr,
                                  text.data(), &size);
            if (status == ERROR_SUCCESS)
                text.resize(wcsnlen(text.data(), size / sizeof(wchar_t)));
        }
        return status;
    }

    LSTATUS GetStoredValue(const std::wstring &key, const std::wstring &name,
                           StoredValue &value) override {
        const OpenedKey opened(key, KEY_QUERY_VALUE);
        if (opened.status != ERROR_SUCCESS)
            return opened.status;
        LSTATUS status = ERROR_MORE_DATA;
        for (DWORD size = 256; status == ERROR_MORE_DATA;) {
            value.data.resize(size);
            // RegQueryValueExW, unlike RegGetValueW, leaves REG_EXPAND_SZ data unexpanded.
            status = RegQueryValueExW(opened.handle, name.c_str(), nullptr, &value.type,
                                      value.data.data(), &size);
            if (status == ERROR_SUCCESS)
                value.data.resize(size);
        }
        return status;
    }

    LSTATUS DeleteValue(const std::wstring &key, const std::wstring &name) override {
        const OpenedKey opened(key, KEY_SET_VALUE);
        return opened.status == ERROR_SUCCESS ? RegDeleteValueW(opened.handle, name.c_str())
                                              : opened.status;
    }

    LSTATUS DeleteKey(const std::wstring &key) override {
        return RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    }

    LSTATUS Contents(const std::wstring &key, std::vector<std::wstring> &subkeys,
                     DWORD &values) override {
        const OpenedKey opened(key, KEY_READ);
        if (opened.status != ERROR_SUCCESS)
            return opened.status;
        DWORD count = 0, longest = 0;
        LSTATUS status =
            RegQueryInfoKeyW(opened.handle, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr);
        std::wstring name(longest + 1, L'\0');
        for (DWORD i = 0; status == ERROR_SUCCESS && i < count; ++i) {
            DWORD length = longest + 1;
            status = RegEnumKeyExW(opened.handle, i, name.data(), &length, nullptr, nullptr,
                                   nullptr, nullptr);
            if (status == ERROR_SUCCESS)
                subkeys.emplace_back(name.data(), length);
        }
        return status;
    }
};

// The file's identity: its volume and its index there, the same whatever the path's case,
// short or long names, or a link or another drive letter that leads to it (as documented for
// BY_HANDLE_FILE_INFORMATION). False when the file cannot be opened.
bool Identify(const std::wstring &path, BY_HANDLE_FILE_INFORMATION &file) {
    const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool known = GetFileInformationByHandle(handle, &file);
    CloseHandle(handle);
    return known;
}

bool SameFile(const std::wstring &a, const std::wstring &b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    if (!Identify(a, first) || !Identify(b, second)) // compared by name, as the system would
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

// The module's whole path, however long; false when the system cannot tell it.
bool ModulePath(std::wstring &path) {
    for (path.resize(MAX_PATH);; path.resize(path.size() * 2)) {
        // A path that does not fit comes back cut to the buffer's size.
        const DWORD length =
            GetModuleFileNameW(ModuleInstance(), path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return length != 0;
        }
    }
}

} // namespace
} // namespace quorvane::server

using namespace quorvane::server;

STDAPI DllRegisterServer() {
    return Boundary([]() -> HRESULT {
        std::wstring path;
        if (!ModulePath(path))
            return SELFREG_E_CLASS;
        // A program that is not long-path aware cannot load a module by a path of MAX_PATH
        // characters or more ("Maximum Path Length Limitation" in Naming Files, Paths, and
        // Namespaces): a registration naming it would create nothing, so none is written.
        if (path.size() >= MAX_PATH)
            return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        ClassesRoot registry;
        return RegisterSchedule(registry, path);
    });
}

STDAPI DllUnregisterServer() {
    return Boundary([]() -> HRESULT {
        std::wstring path;
        if (!ModulePath(path))
            return SELFREG_E_CLASS;
        ClassesRoot registry;
        return UnregisterSchedule(registry,
                                  [&](const std::wstring &named) { return SameFile(named, path); });
    });
}
