// What DllRegisterServer writes and DllUnregisterServer removes: the control Schedule under its
// ProgID Quorvane.Schedule, its two interfaces, and the type library under locale 0 without a
// help directory, all written here rather than by RegisterTypeLib, which would add both.
//
// On 64-bit Windows the CLSID and Interface keys are kept apart for 32-bit and 64-bit
// processes, while the ProgID and TypeLib keys are seen by both: each bitness writes and
// removes its own CLSID and Interface keys and its platform's key of the type library, and the
// shared keys go with the last of the two. Neither the class key nor the ProgID key has a
// default value: the class has no description, and its name is in the ProgID and the library.
//
// A registration belongs to the file it names: unregistering a copy of the module found
// elsewhere leaves the registration of the registered file alone.
#include "registration.h"

#include "quorvane_idl.h"
#include "resource_ids.h"

#include <olectl.h>

#include <algorithm>
#include <new>
#include <optional>
#include <set>

namespace quorvane::server {
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

using View = ClassesRegistry::View;

std::wstring Text(REFGUID guid) {
    wchar_t text[39];
    StringFromGUID2(guid, text, 39);
    return text;
}

bool SameText(const std::wstring &a, const std::wstring &b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool Gone(LSTATUS status) {
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// One item of the registration: a string value, or without one a key that is there, empty.
struct Item {
    std::wstring key;
    std::wstring name;
    std::optional<std::wstring> text;
};
using Items = std::vector<Item>;

std::wstring ClassKey() {
    return L"CLSID\\" + Text(CLSID_Schedule);
}
std::wstring ServerKey() {
    return ClassKey() + L"\\InprocServer32";
}
std::wstring LibraryKey() {
    return L"TypeLib\\" + Text(LIBID_Quorvane);
}
std::wstring VersionKey() {
    return LibraryKey() + L"\\" + kLibraryVersion;
}
std::wstring LocaleKey() {
    return VersionKey() + L"\\0";
}
std::wstring PlatformKey() {
    return LocaleKey() + L"\\" + kPlatform;
}

// The type library's version key as every registration of it has it.
Items LibraryVersion() {
    return {{VersionKey(), L"", L"Quorvane"},
            {VersionKey() + L"\\FLAGS", L"", L"2"}}; // LIBFLAG_FCONTROL
}

// The file of the type library for locale 0 and this platform.
Items LibraryFile(const std::wstring &path) {
    return {{PlatformKey(), L"", path}};
}

Items Interface(REFIID iid, const wchar_t *name, const wchar_t *proxy) {
    const std::wstring key = L"Interface\\" + Text(iid);
    return {{key, L"", name},
            {key + L"\\ProxyStubClsid", L"", proxy},
            {key + L"\\ProxyStubClsid32", L"", proxy},
            {key + L"\\TypeLib", L"", Text(LIBID_Quorvane)},
            {key + L"\\TypeLib", L"Version", kLibraryVersion}};
}
Items DualInterface() {
    return Interface(IID__Schedule, L"_Schedule", kDualProxy);
}
Items EventInterface() {
    return Interface(DIID___Schedule, L"__Schedule", kDispatchProxy);
}

Items Class(const std::wstring &path) {
    const std::wstring key = ClassKey();
    return {{ServerKey(), L"", path},
            {ServerKey(), L"ThreadingModel", L"Apartment"},
            {key + L"\\ProgID", L"", kProgId},
            {key + L"\\Control", L"", std::nullopt},
            {key + L"\\MiscStatus", L"", kMiscStatusOther},
            {key + L"\\MiscStatus\\1", L"", kMiscStatusContent},
            {key + L"\\ToolboxBitmap32", L"", path + L", " + std::to_wstring(IDB_SCHEDULE_TOOLBOX)},
            {key + L"\\TypeLib", L"", Text(LIBID_Quorvane)},
            {key + L"\\Version", L"", kLibraryVersion}};
}

Items ProgId() {
    return {{std::wstring(kProgId) + L"\\CLSID", L"", Text(CLSID_Schedule)}};
}

// Writes items, remembering how to take back each change: a key it created, a value it added
// or replaced. The first failure stops it.
class Writing {
public:
    explicit Writing(ClassesRegistry &registry) : registry_(registry) {}

    LSTATUS Write(const Items &items) {
        for (const Item &item : items) {
            if (status_ == ERROR_SUCCESS)
                status_ = item.text ? Set(item.key, item.name, *item.text) : Key(item.key);
        }
        return status_;
    }

    // Newest first, as far as it goes: the failure that called for it is the one to report.
    void TakeBack() {
        for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
            if (!change->name)
                registry_.DeleteKey(change->key);
            else if (change->previous)
                registry_.SetValue(change->key, *change->name, *change->previous);
            else
                registry_.DeleteValue(change->key, *change->name);
        }
        changes_.clear();
    }

private:
    struct Change {
        std::wstring key;
        std::optional<std::wstring> name; // none: the key was created
        std::optional<StoredValue> previous;
    };

    // Creates `key` a level at a time, so that each level it creates is known to go again.
    LSTATUS Key(const std::wstring &key) {
        for (std::size_t end = key.find(L'\\');; end = key.find(L'\\', end + 1)) {
            const std::wstring level = key.substr(0, end);
            if (opened_.insert(level).second) {
                bool created = false;
                if (const LSTATUS status = registry_.CreateKey(level, created))
                    return status;
                if (created)
                    changes_.push_back({level, std::nullopt, std::nullopt});
            }
            if (end == std::wstring::npos)
                return ERROR_SUCCESS;
        }
    }

    LSTATUS Set(const std::wstring &key, const std::wstring &name, const std::wstring &text) {
        if (const LSTATUS status = Key(key))
            return status;
        StoredValue previous;
        const LSTATUS read = registry_.GetStoredValue(key, name, previous);
        if (!Gone(read))
            return read;
        const LSTATUS status = registry_.SetValue(key, name, StringValue(text));
        if (status == ERROR_SUCCESS)
            changes_.push_back(
                {key, name, read == ERROR_SUCCESS ? std::optional(previous) : std::nullopt});
        return status;
    }

    ClassesRegistry &registry_;
    std::vector<Change> changes_;
    std::set<std::wstring> opened_;
    LSTATUS status_ = ERROR_SUCCESS;
};

// S_OK when the default value of `key` names this module or is not there, `another` when it
// names another file: SELFREG_E_CLASS or SELFREG_E_TYPELIB, which DllUnregisterServer's
// documentation gives for entries of the classes or type libraries it could not remove.
HRESULT Owned(ClassesRegistry &registry, const std::wstring &key,
              const IsThisModule &is_this_module, HRESULT another) {
    std::wstring path;
    const LSTATUS status = registry.GetValue(key, L"", path, View::Own);
    if (status == ERROR_FILE_NOT_FOUND)
        return S_OK;
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    return is_this_module(path) ? S_OK : another;
}

// Deletes `key` if it is there and empty.
LSTATUS DeleteIfEmpty(ClassesRegistry &registry, const std::wstring &key) {
    std::vector<std::wstring> subkeys;
    DWORD values = 0;
    const LSTATUS status = registry.Contents(key, subkeys, values);
    if (status != ERROR_SUCCESS)
        return status;
    return subkeys.empty() && values == 0 ? registry.DeleteKey(key) : ERROR_SUCCESS;
}

// Removes the values of `items`, then the keys of `items` and the keys between them and `top`
// (with `top`) that are left empty, deepest first. The documented rule of DllUnregisterServer:
// not to disturb entries it did not create, such as a TreatAs the user added to the class; a
// key with such entries stays.
LSTATUS Remove(ClassesRegistry &registry, const Items &items, const std::wstring &top) {
    std::vector<std::wstring> keys;
    for (const Item &item : items) {
        if (item.text) {
            if (const LSTATUS status = registry.DeleteValue(item.key, item.name); !Gone(status))
                return status;
        }
        for (std::wstring key = item.key;; key.resize(key.find_last_of(L'\\'))) {
            keys.push_back(key);
            if (key.size() <= top.size()) // every item's key is `top` or below it
                break;
        }
    }
    const auto depth = [](const std::wstring &key) { return std::ranges::count(key, L'\\'); };
    std::ranges::sort(keys, [&](const std::wstring &a, const std::wstring &b) {
        return depth(a) != depth(b) ? depth(a) > depth(b) : a < b;
    });
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (const std::wstring &key : keys) {
        if (const LSTATUS status = DeleteIfEmpty(registry, key); !Gone(status))
            return status;
    }
    return ERROR_SUCCESS;
}

bool Exists(ClassesRegistry &registry, const std::wstring &key) {
    std::vector<std::wstring> subkeys;
    DWORD values = 0;
    return registry.Contents(key, subkeys, values) == ERROR_SUCCESS;
}

// Whether the library's version key still has a locale's registration: its subkeys are the
// locales' (hexadecimal LCIDs), FLAGS and HELPDIR.
LSTATUS LocalesLeft(ClassesRegistry &registry, bool &left) {
    std::vector<std::wstring> subkeys;
    DWORD values = 0;
    const LSTATUS status = registry.Contents(VersionKey(), subkeys, values);
    left = std::ranges::any_of(subkeys, [](const std::wstring &name) {
        return name.find_first_not_of(L"0123456789abcdefABCDEF") == std::wstring::npos;
    });
    return Gone(status) ? ERROR_SUCCESS : status;
}

HRESULT UnregisterClass(ClassesRegistry &registry, const IsThisModule &is_this_module) {
    if (const HRESULT owned = Owned(registry, ServerKey(), is_this_module, SELFREG_E_CLASS))
        return owned;
    if (const LSTATUS status = Remove(registry, Class(L""), ClassKey()))
        return HRESULT_FROM_WIN32(status);
    // The ProgID goes with the last bitness's class, and only while it names this class.
    std::wstring other, clsid;
    if (registry.GetValue(ServerKey(), L"", other, View::Other) != ERROR_FILE_NOT_FOUND ||
        registry.GetValue(ProgId()[0].key, L"", clsid, View::Own) != ERROR_SUCCESS ||
        !SameText(clsid, Text(CLSID_Schedule)))
        return S_OK;
    return HRESULT_FROM_WIN32(Remove(registry, ProgId(), kProgId));
}

HRESULT UnregisterLibrary(ClassesRegistry &registry, const IsThisModule &is_this_module) {
    // The interfaces are described by this platform's type library, and go with it.
    if (const HRESULT owned = Owned(registry, PlatformKey(), is_this_module, SELFREG_E_TYPELIB))
        return owned;
    for (const Items &items : {EventInterface(), DualInterface()}) {
        if (const LSTATUS status = Remove(registry, items, items[0].key))
            return HRESULT_FROM_WIN32(status);
    }
    LSTATUS status = Remove(registry, LibraryFile(L""), LocaleKey());
    bool locales = false;
    if (status == ERROR_SUCCESS)
        status = LocalesLeft(registry, locales);
    if (status == ERROR_SUCCESS && !locales)
        status = Remove(registry, LibraryVersion(), LibraryKey());
    return HRESULT_FROM_WIN32(status);
}

} // namespace

StoredValue StringValue(const std::wstring &text) {
    const auto *bytes = reinterpret_cast<const BYTE *>(text.c_str());
    return {REG_SZ, {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)}};
}

HRESULT RegisterSchedule(ClassesRegistry &registry, const std::wstring &path) {
    Writing writing(registry);
    LSTATUS status = ERROR_SUCCESS;
    try {
        for (const Items &items : {LibraryVersion(), LibraryFile(path), DualInterface(),
                                   EventInterface(), Class(path), ProgId()})
            status = writing.Write(items);
    } catch (const std::bad_alloc &) {
        status = ERROR_OUTOFMEMORY;
    }
    if (status != ERROR_SUCCESS)
        writing.TakeBack();
    return HRESULT_FROM_WIN32(status);
}

HRESULT UnregisterSchedule(ClassesRegistry &registry, const IsThisModule &is_this_module) {
    if (const HRESULT result = UnregisterClass(registry, is_this_module))
        return result;
    if (const HRESULT result = UnregisterLibrary(registry, is_this_module))
        return result;
    // S_FALSE, as DllUnregisterServer's documentation has it, when this server's entries are
    // gone but others' stay in the keys of its class or interfaces.
    const bool others = Exists(registry, ClassKey()) || Exists(registry, DualInterface()[0].key) ||
                        Exists(registry, EventInterface()[0].key);
    return others ? S_FALSE : S_OK;
}

} // namespace quorvane::server
