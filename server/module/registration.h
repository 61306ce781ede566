// The registration of the control Schedule, written and removed through a small view of the
// registry below HKEY_CLASSES_ROOT: DllRegisterServer and DllUnregisterServer hand it the real
// registry (classes_root.cpp), the tests a registry of their own that can fail on demand.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace quorvane::server {

// A value as the registry holds it: its type and its bytes, nothing expanded.
struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const StoredValue &) const = default;
};

// A REG_SZ value holding `text`.
StoredValue StringValue(const std::wstring &text);

// Keys are paths below HKEY_CLASSES_ROOT; an empty value name is the key's default value. Each
// call returns the system's error code, ERROR_FILE_NOT_FOUND for a key or value not there.
class ClassesRegistry {
public:
    // This process's registry view, or the other bitness's (the same on 32-bit Windows).
    enum class View { Own, Other };

    virtual ~ClassesRegistry() = default;
    // Opens `key`, whose parent is there, creating it if needed; `created` says whether it did.
    virtual LSTATUS CreateKey(const std::wstring &key, bool &created) = 0;
    virtual LSTATUS SetValue(const std::wstring &key, const std::wstring &name,
                             const StoredValue &value) = 0;
    // A string value, with the environment's variables put in if it has them.
    virtual LSTATUS GetValue(const std::wstring &key, const std::wstring &name, std::wstring &text,
                             View view) = 0;
    // A value of any type in this process's view, as stored: what a failed registration puts
    // back.
    virtual LSTATUS GetStoredValue(const std::wstring &key, const std::wstring &name,
                                   StoredValue &value) = 0;
    virtual LSTATUS DeleteValue(const std::wstring &key, const std::wstring &name) = 0;
    // Deletes `key`, which has no subkeys, with its values.
    virtual LSTATUS DeleteKey(const std::wstring &key) = 0;
    // The names of the subkeys of `key`, and how many values it has.
    virtual LSTATUS Contents(const std::wstring &key, std::vector<std::wstring> &subkeys,
                             DWORD &values) = 0;
};

// Whether a path that the registry names is this module's file.
using IsThisModule = std::function<bool(const std::wstring &path)>;

// Writes the registration of the module at `path`. On a failure it takes back what it wrote,
// puts back what it replaced (with its type and its data unexpanded) and returns the system's
// error as an HRESULT.
HRESULT RegisterSchedule(ClassesRegistry &registry, const std::wstring &path);

// Removes what RegisterSchedule writes, and only that: S_OK, or S_FALSE when entries of
// others are left in the class's or an interface's key. SELFREG_E_CLASS when the class is
// registered for another file and SELFREG_E_TYPELIB when the type library is (their keys stay);
// the system's error as an HRESULT when a key or value could not be removed. What is not there
// is no failure.
HRESULT UnregisterSchedule(ClassesRegistry &registry, const IsThisModule &is_this_module);

} // namespace quorvane::server
