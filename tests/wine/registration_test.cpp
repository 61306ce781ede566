// What DllRegisterServer writes, read back in the registry view of each bitness, and what
// DllUnregisterServer leaves of it. tools/wine-test.sh registers both bitnesses first; with
// QUORVANE_UNREGISTERED set it also runs the Unregistered cases after removing one or both.
// The RegistrationSteps cases run the registration's steps against a registry in memory that
// fails where they tell it to.
#include "host.h"
#include "registration.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <functional>
#include <map>
#include <set>

namespace {

constexpr REGSAM kMine = sizeof(void *) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
constexpr REGSAM kOther = sizeof(void *) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
constexpr wchar_t kMissing[] = L"<missing>";

std::wstring Id(REFGUID guid) {
    wchar_t text[39];
    StringFromGUID2(guid, text, 39);
    return text;
}
const std::wstring kClass = L"CLSID\\" + Id(CLSID_Schedule);
const std::wstring kDual = L"Interface\\" + Id(IID__Schedule);
const std::wstring kEvents = L"Interface\\" + Id(DIID___Schedule);
const std::wstring kLibrary = L"TypeLib\\" + Id(LIBID_Quorvane);

const wchar_t *Platform(REGSAM view) {
    return view == KEY_WOW64_64KEY ? L"win64" : L"win32";
}

bool KeyExists(const std::wstring &key, REGSAM view) {
    HKEY opened;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, &opened))
        return false;
    RegCloseKey(opened);
    return true;
}

// The names of the subkeys of `key`, or of its values with `values`.
std::set<std::wstring> Names(const std::wstring &key, REGSAM view, bool values = false) {
    std::set<std::wstring> names;
    HKEY opened;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, &opened))
        return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        const LSTATUS status =
            values ? RegEnumValueW(opened, i, name, &length, nullptr, nullptr, nullptr, nullptr)
                   : RegEnumKeyExW(opened, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status)
            break;
        names.insert(name);
    }
    RegCloseKey(opened);
    return names;
}

// The module that sits beside this program: the one tools/wine-test.sh registers.
std::wstring BuiltModule() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring module(path, length);
    return module.substr(0, module.find_last_of(L'\\') + 1) + L"Quorvane.ocx";
}

void ExpectInterface(const std::wstring &key, const wchar_t *name, const wchar_t *proxy,
                     REGSAM view) {
    SCOPED_TRACE(key);
    EXPECT_EQ(name, RegistryValue(key, nullptr, view));
    EXPECT_EQ(proxy, RegistryValue(key + L"\\ProxyStubClsid32", nullptr, view));
    EXPECT_EQ(proxy, RegistryValue(key + L"\\ProxyStubClsid", nullptr, view));
    EXPECT_EQ(Id(LIBID_Quorvane), RegistryValue(key + L"\\TypeLib", nullptr, view));
    EXPECT_EQ(L"8.0", RegistryValue(key + L"\\TypeLib", L"Version", view));
}

// Every item of this bitness's registration, in its own view, for the module at `path`.
void ExpectRegistered(const std::wstring &path) {
    const std::set<std::wstring> subkeys{L"Control", L"InprocServer32",  L"MiscStatus",
                                         L"ProgID",  L"ToolboxBitmap32", L"TypeLib",
                                         L"Version"};
    EXPECT_EQ(subkeys, Names(kClass, kMine));
    EXPECT_TRUE(Names(kClass, kMine, true).empty()); // not even a default value: no description
    EXPECT_EQ(path, RegistryValue(kClass + L"\\InprocServer32", nullptr, kMine));
    EXPECT_EQ(L"Apartment", RegistryValue(kClass + L"\\InprocServer32", L"ThreadingModel", kMine));
    EXPECT_EQ(L"Quorvane.Schedule", RegistryValue(kClass + L"\\ProgID", nullptr, kMine));
    EXPECT_TRUE(Names(kClass + L"\\Control", kMine, true).empty());
    EXPECT_EQ(L"0", RegistryValue(kClass + L"\\MiscStatus", nullptr, kMine));
    EXPECT_EQ(L"132497", RegistryValue(kClass + L"\\MiscStatus\\1", nullptr, kMine));
    EXPECT_EQ(path + L", 30000", RegistryValue(kClass + L"\\ToolboxBitmap32", nullptr, kMine));
    EXPECT_EQ(Id(LIBID_Quorvane), RegistryValue(kClass + L"\\TypeLib", nullptr, kMine));
    EXPECT_EQ(L"8.0", RegistryValue(kClass + L"\\Version", nullptr, kMine));

    EXPECT_EQ(std::set<std::wstring>{L"CLSID"}, Names(L"Quorvane.Schedule", kMine));
    EXPECT_TRUE(Names(L"Quorvane.Schedule", kMine, true).empty());
    EXPECT_EQ(Id(CLSID_Schedule), RegistryValue(L"Quorvane.Schedule\\CLSID", nullptr, kMine));

    ExpectInterface(kDual, L"_Schedule", L"{00020424-0000-0000-C000-000000000046}", kMine);
    ExpectInterface(kEvents, L"__Schedule", L"{00020420-0000-0000-C000-000000000046}", kMine);

    const std::wstring version = kLibrary + L"\\8.0";
    EXPECT_EQ(std::set<std::wstring>{L"8.0"}, Names(kLibrary, kMine));
    EXPECT_EQ((std::set<std::wstring>{L"0", L"FLAGS"}), Names(version, kMine)); // no HELPDIR
    EXPECT_EQ(L"Quorvane", RegistryValue(version, nullptr, kMine));
    EXPECT_EQ(L"2", RegistryValue(version + L"\\FLAGS", nullptr, kMine));
    EXPECT_EQ(path, RegistryValue(version + L"\\0\\" + Platform(kMine), nullptr, kMine));
}

TEST(Registration, EveryItemInThisBitnessView) {
    ExpectRegistered(BuiltModule());
}

TEST(Registration, ThePlatformReadsItBack) {
    DWORD status = 0;
    EXPECT_EQ(S_OK, OleRegGetMiscStatus(CLSID_Schedule, DVASPECT_CONTENT, &status));
    EXPECT_EQ(0x20591u, status);
    EXPECT_EQ(S_OK, OleRegGetMiscStatus(CLSID_Schedule, DVASPECT_ICON, &status));
    EXPECT_EQ(0u, status);

    LPOLESTR prog_id = nullptr;
    ASSERT_EQ(S_OK, ProgIDFromCLSID(CLSID_Schedule, &prog_id));
    EXPECT_STREQ(L"Quorvane.Schedule", prog_id);
    CoTaskMemFree(prog_id);

    BSTR library = nullptr;
    ASSERT_EQ(S_OK, QueryPathOfRegTypeLib(LIBID_Quorvane, 8, 0, 0, &library));
    EXPECT_EQ(BuiltModule(), Text(library));
    SysFreeString(library);

    // The toolbox bitmap is found where ToolboxBitmap32 points.
    const std::wstring bitmap = RegistryValue(kClass + L"\\ToolboxBitmap32");
    const std::size_t comma = bitmap.rfind(L", ");
    ASSERT_NE(std::wstring::npos, comma);
    HMODULE module =
        LoadLibraryExW(bitmap.substr(0, comma).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    const int id = _wtoi(bitmap.c_str() + comma + 2);
    EXPECT_NE(nullptr, FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2)));
    FreeLibrary(module);
}

// Containers ask the object or the registry for an aspect's OLEMISC flags, whichever they
// like: the object answers each aspect as the registry does (MiscStatus\<aspect>, or else
// MiscStatus itself), and the content aspect's flags are not the others'.
TEST(Registration, TheObjectsMiscStatusIsTheRegistrysForEachAspect) {
    ComPtr<IOleObject> object;
    ASSERT_EQ(S_OK, NewSchedule().As(&object));
    std::set<DWORD> answers;
    for (DWORD aspect : {DVASPECT_CONTENT, DVASPECT_THUMBNAIL, DVASPECT_ICON, DVASPECT_DOCPRINT}) {
        SCOPED_TRACE(aspect);
        std::wstring registered =
            RegistryValue(kClass + L"\\MiscStatus\\" + std::to_wstring(aspect));
        if (registered == kMissing)
            registered = RegistryValue(kClass + L"\\MiscStatus");
        ASSERT_NE(kMissing, registered);
        DWORD status = ~0u;
        EXPECT_EQ(S_OK, object->GetMiscStatus(aspect, &status));
        EXPECT_EQ(std::stoul(registered), status);
        answers.insert(status);
    }
    EXPECT_EQ(2u, answers.size());
}

// Every value is a REG_SZ stored with its terminating null, counted in its size: a reader
// that takes the bytes as they are (RegQueryValueExW, unlike RegGetValueW) relies on it.
TEST(Registration, EveryStringIsStoredWithItsNull) {
    int values = 0;
    std::function<void(const std::wstring &)> check = [&](const std::wstring &key) {
        HKEY opened;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | kMine, &opened));
        for (const std::wstring &name : Names(key, kMine, true)) {
            SCOPED_TRACE(key + L" " + name);
            ++values;
            std::vector<wchar_t> text(MAX_PATH + 1, L'x'); // no null but the one read, and a last
            text.back() = L'\0';
            DWORD type = 0, bytes = MAX_PATH * sizeof(wchar_t);
            ASSERT_EQ(ERROR_SUCCESS,
                      RegQueryValueExW(opened, name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE *>(text.data()), &bytes));
            EXPECT_EQ(DWORD{REG_SZ}, type);
            ASSERT_EQ(0u, bytes % sizeof(wchar_t));
            ASSERT_GE(bytes, sizeof(wchar_t));
            const std::size_t length = bytes / sizeof(wchar_t) - 1;
            EXPECT_EQ(L'\0', text[length]);
            EXPECT_EQ(length, std::wcslen(text.data()));
        }
        RegCloseKey(opened);
        for (const std::wstring &subkey : Names(key, kMine))
            check(key + L"\\" + subkey);
    };
    for (const std::wstring &key :
         {kClass, kDual, kEvents, kLibrary, std::wstring(L"Quorvane.Schedule")})
        check(key);
    EXPECT_GE(values, 21); // each value that this bitness's registration writes
}

TEST(Registration, CreatesByProgId) {
    ComPtr<_Schedule> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    LONG interval = 0;
    EXPECT_EQ(S_OK, schedule->get_TimerInterVal(&interval));
    EXPECT_EQ(60000, interval);
}

template <class Function> Function Export(HMODULE module, const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

// The other bitness's keys, as wine-test.sh registered them.
struct OtherView {
    std::wstring server = RegistryValue(kClass + L"\\InprocServer32", nullptr, kOther);
    std::wstring misc = RegistryValue(kClass + L"\\MiscStatus\\1", nullptr, kOther);
    std::wstring dual = RegistryValue(kDual + L"\\ProxyStubClsid32", nullptr, kOther);
    std::wstring events = RegistryValue(kEvents + L"\\ProxyStubClsid32", nullptr, kOther);
    std::wstring library =
        RegistryValue(kLibrary + L"\\8.0\\0\\" + Platform(kOther), nullptr, kOther);
    bool operator==(const OtherView &) const = default;
};

// The other bitness's registration: the one tools/wine-test.sh made, or else, for as long as
// this lives, a stand-in of the keys that it writes in its own view and that this bitness must
// leave alone (written here, then removed), so that one bitness's suite also runs on its own.
class OtherBitness {
public:
    OtherBitness() {
        const std::wstring path =
            L"C:\\stand-in\\" + std::wstring(Platform(kOther)) + L"\\Quorvane.ocx";
        Write(kClass, L"InprocServer32", nullptr, path);
        Write(kClass, L"InprocServer32", L"ThreadingModel", L"Apartment");
        Write(kClass, L"MiscStatus\\1", nullptr, L"132497");
        Write(kClass, L"ProgID", nullptr, L"Quorvane.Schedule");
        Write(kDual, L"ProxyStubClsid32", nullptr, L"{00020424-0000-0000-C000-000000000046}");
        Write(kEvents, L"ProxyStubClsid32", nullptr, L"{00020420-0000-0000-C000-000000000046}");
        Write(kLibrary + L"\\8.0\\0\\" + Platform(kOther), L"", nullptr, path);
    }
    OtherBitness(const OtherBitness &) = delete;
    OtherBitness &operator=(const OtherBitness &) = delete;
    ~OtherBitness() {
        for (const std::wstring &key : written_) {
            HKEY opened = nullptr;
            if (!RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_ALL_ACCESS | kOther,
                               &opened)) {
                RegDeleteTreeW(opened, nullptr);
                RegCloseKey(opened);
            }
            RegDeleteKeyExW(HKEY_CLASSES_ROOT, key.c_str(), kOther, 0);
        }
    }

private:
    // Value `name` of `top`\`below` in the other view, unless `top` is the other bitness's own.
    void Write(const std::wstring &top, const std::wstring &below, const wchar_t *name,
               const std::wstring &text) {
        if (std::find(written_.begin(), written_.end(), top) == written_.end()) {
            if (KeyExists(top, kOther))
                return;
            written_.push_back(top);
        }
        const std::wstring key = below.empty() ? top : top + L"\\" + below;
        HKEY created = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0,
                                                 KEY_WRITE | kOther, nullptr, &created, nullptr));
        const LSTATUS status =
            RegSetValueExW(created, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(created);
        ASSERT_EQ(ERROR_SUCCESS, status);
    }

    std::vector<std::wstring> written_;
};

TEST(Registration, UnregisteringThisBitnessKeepsTheOther) {
    const OtherBitness registered;
    const OtherView other;
    ASSERT_NE(kMissing, other.server);
    const std::wstring path = BuiltModule();
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, module);
    using Entry = HRESULT(WINAPI *)();
    const auto unregister = Export<Entry>(module, "DllUnregisterServer");
    const auto reregister = Export<Entry>(module, "DllRegisterServer");
    ASSERT_TRUE(unregister && reregister);

    EXPECT_EQ(S_OK, unregister());
    EXPECT_FALSE(KeyExists(kClass, kMine));
    EXPECT_FALSE(KeyExists(kDual, kMine));
    EXPECT_FALSE(KeyExists(kEvents, kMine));
    EXPECT_EQ(kMissing, RegistryValue(kLibrary + L"\\8.0\\0\\" + Platform(kMine)));
    // The shared ProgID and type library keys stay for the other bitness, and its own keys.
    EXPECT_TRUE(other == OtherView{});
    EXPECT_EQ(Id(CLSID_Schedule), RegistryValue(L"Quorvane.Schedule\\CLSID"));
    EXPECT_EQ(L"2", RegistryValue(kLibrary + L"\\8.0\\FLAGS"));
    ComPtr<IUnknown> object;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_Schedule, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_PPV_ARGS(&object)));

    EXPECT_EQ(S_OK, unregister()); // twice changes nothing
    EXPECT_TRUE(other == OtherView{});

    EXPECT_EQ(S_OK, reregister());
    ExpectRegistered(path);
    EXPECT_TRUE(other == OtherView{});
    FreeLibrary(module);
}

void SetRegistryValue(const std::wstring &key, const std::wstring &text) {
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, text.c_str(),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
}

// A copy of the built module in a new folder of the temporary folder, `levels` folders deep
// (each 40 letters long); gone with its folders at the end of the scope, unless it was loaded:
// the module then stays loaded (docs/threads.md), and its file until the process ends. The
// folder's name is new each time, so that no later run meets a copy left behind.
class ModuleCopy {
public:
    explicit ModuleCopy(int levels) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        GUID unique;
        CoCreateGuid(&unique);
        std::wstring folder = temp + std::wstring(L"quorvane-copy-") + Id(unique);
        for (int level = 0; level < levels; ++level) {
            if (level)
                folder += L"\\" + std::wstring(39, L'a' + level) + L"z";
            // The \\?\ prefix lifts MAX_PATH from the file functions.
            CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
            folders_.push_back(folder);
        }
        path = folder + L"\\Quorvane.ocx";
        CopyFileW(BuiltModule().c_str(), (L"\\\\?\\" + path).c_str(), TRUE);
    }
    ModuleCopy(const ModuleCopy &) = delete;
    ModuleCopy &operator=(const ModuleCopy &) = delete;
    ~ModuleCopy() {
        DeleteFileW((L"\\\\?\\" + path).c_str());
        for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
            RemoveDirectoryW((L"\\\\?\\" + *folder).c_str());
    }

    std::wstring path;

private:
    std::vector<std::wstring> folders_;
};

// A copy of the module in another folder, as a download beside the installed control would
// be: unregistering it removes nothing and says so, while the registered module, named in
// another spelling of its path, still removes its own registration.
TEST(Registration, UnregisteringACopyElsewhereLeavesTheRegisteredFileAlone) {
    const OtherView other;
    const std::wstring path = BuiltModule();
    wchar_t spelling[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameW(path.c_str(), spelling, MAX_PATH));
    CharUpperW(spelling);
    const std::wstring library = kLibrary + L"\\8.0\\0\\" + Platform(kMine);
    SetRegistryValue(kClass + L"\\InprocServer32", spelling);
    SetRegistryValue(library, spelling);

    using Entry = HRESULT(WINAPI *)();
    {
        const ModuleCopy copy(1);
        HMODULE module = LoadLibraryW(copy.path.c_str());
        ASSERT_NE(nullptr, module);
        EXPECT_EQ(SELFREG_E_CLASS, Export<Entry>(module, "DllUnregisterServer")());
        FreeLibrary(module);
    }

    EXPECT_EQ(spelling, RegistryValue(kClass + L"\\InprocServer32"));
    EXPECT_EQ(spelling, RegistryValue(library));
    EXPECT_TRUE(NewSchedule());
    EXPECT_TRUE(other == OtherView{});

    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(S_OK, Export<Entry>(module, "DllUnregisterServer")());
    EXPECT_FALSE(KeyExists(kClass, kMine));
    EXPECT_FALSE(KeyExists(library, kMine));
    EXPECT_EQ(S_OK, Export<Entry>(module, "DllRegisterServer")());
    FreeLibrary(module);
    ExpectRegistered(path);
    EXPECT_TRUE(other == OtherView{});
}

// A module whose path is MAX_PATH characters or longer, which a program that is not long-path
// aware could not load, is not registered, with an error that says why; the registration of
// the registered module stays as it is. (Wine loads it by that path; Windows would need the
// long-path opt-in.)
TEST(Registration, AModulePathOfMaxPathOrLongerIsRefusedAndChangesNothing) {
    const OtherView other;
    const ModuleCopy copy(7);
    ASSERT_GE(copy.path.size(), std::size_t{MAX_PATH});
    HMODULE module = LoadLibraryW(copy.path.c_str());
    ASSERT_NE(nullptr, module);
    using Entry = HRESULT(WINAPI *)();
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE),
              Export<Entry>(module, "DllRegisterServer")());
    // Registered is the other file, which this one leaves alone.
    EXPECT_EQ(SELFREG_E_CLASS, Export<Entry>(module, "DllUnregisterServer")());
    FreeLibrary(module);
    ExpectRegistered(BuiltModule());
    EXPECT_TRUE(other == OtherView{});
}

// With QUORVANE_UNREGISTERED=32, 64 or 32,64: nothing is left of those bitnesses, and while
// one of the two is still registered its shared keys are still there.
TEST(Unregistered, NothingLeftOfTheRemovedBitness) {
    const char *removed = std::getenv("QUORVANE_UNREGISTERED");
    if (!removed)
        GTEST_SKIP() << "run by tools/wine-test.sh after regsvr32 /u";
    const std::string gone(removed);
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        if (gone.find(view == KEY_WOW64_64KEY ? "64" : "32") == std::string::npos)
            continue;
        SCOPED_TRACE(Platform(view));
        EXPECT_FALSE(KeyExists(kClass, view));
        EXPECT_FALSE(KeyExists(kDual, view));
        EXPECT_FALSE(KeyExists(kEvents, view));
        EXPECT_FALSE(KeyExists(kLibrary + L"\\8.0\\0\\" + Platform(view), view));
    }
    const bool both = gone.find("32") != std::string::npos && gone.find("64") != std::string::npos;
    EXPECT_EQ(!both, KeyExists(L"Quorvane.Schedule", 0));
    EXPECT_EQ(!both, KeyExists(kLibrary, 0));
}

using quorvane::server::ClassesRegistry;
using quorvane::server::RegisterSchedule;
using quorvane::server::StoredValue;
using quorvane::server::StringValue;
using quorvane::server::UnregisterSchedule;

// HKEY_CLASSES_ROOT in memory, its names without case. After FailAt(n) its nth change fails,
// once, as a key without the rights to change it would; `changes` counts them.
class MemoryRegistry final : public ClassesRegistry {
public:
    using Values = std::map<std::wstring, StoredValue>;
    std::map<std::wstring, Values> keys{{L"clsid", {}}, {L"interface", {}}, {L"typelib", {}}};
    std::map<std::wstring, Values> other_view; // the other bitness's keys of its own
    int changes = 0;

    void FailAt(int n) {
        fail_at = n;
        changes = 0;
    }

    // Writes a value, creating the keys on the way.
    void Put(const std::wstring &key, const std::wstring &name, const std::wstring &text,
             View view = View::Own, DWORD type = REG_SZ) {
        const std::wstring path = Lower(key);
        for (std::size_t end = 0; end != std::wstring::npos;) {
            end = path.find(L'\\', end + 1);
            (view == View::Own ? keys : other_view)[path.substr(0, end)];
        }
        StoredValue value = StringValue(text);
        value.type = type;
        (view == View::Own ? keys : other_view)[path][Lower(name)] = value;
    }

    LSTATUS CreateKey(const std::wstring &key, bool &created) override {
        const std::wstring path = Lower(key);
        created = false;
        if (keys.contains(path))
            return ERROR_SUCCESS;
        const std::size_t parent = path.rfind(L'\\');
        if (parent != std::wstring::npos && !keys.contains(path.substr(0, parent)))
            return ERROR_FILE_NOT_FOUND;
        if (Fails())
            return ERROR_ACCESS_DENIED;
        created = keys.emplace(path, Values{}).second;
        return ERROR_SUCCESS;
    }
    LSTATUS SetValue(const std::wstring &key, const std::wstring &name,
                     const StoredValue &value) override {
        const auto found = keys.find(Lower(key));
        if (found == keys.end())
            return ERROR_FILE_NOT_FOUND;
        if (Fails())
            return ERROR_ACCESS_DENIED;
        found->second[Lower(name)] = value;
        return ERROR_SUCCESS;
    }
    // As RegGetValueW with RRF_RT_REG_SZ reads it: an expandable string expanded.
    LSTATUS GetValue(const std::wstring &key, const std::wstring &name, std::wstring &text,
                     View view) override {
        StoredValue value;
        if (const LSTATUS status = Stored(view == View::Own ? keys : other_view, key, name, value))
            return status;
        if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
            return ERROR_UNSUPPORTED_TYPE;
        text = reinterpret_cast<const wchar_t *>(value.data.data());
        if (value.type == REG_EXPAND_SZ) {
            wchar_t expanded[MAX_PATH];
            ExpandEnvironmentStringsW(text.c_str(), expanded, MAX_PATH);
            text = expanded;
        }
        return ERROR_SUCCESS;
    }
    LSTATUS GetStoredValue(const std::wstring &key, const std::wstring &name,
                           StoredValue &value) override {
        return Stored(keys, key, name, value);
    }
    LSTATUS DeleteValue(const std::wstring &key, const std::wstring &name) override {
        const auto found = keys.find(Lower(key));
        if (found == keys.end() || !found->second.contains(Lower(name)))
            return ERROR_FILE_NOT_FOUND;
        if (Fails())
            return ERROR_ACCESS_DENIED;
        found->second.erase(Lower(name));
        return ERROR_SUCCESS;
    }
    LSTATUS DeleteKey(const std::wstring &key) override {
        std::vector<std::wstring> subkeys;
        DWORD values = 0;
        if (const LSTATUS status = Contents(key, subkeys, values))
            return status;
        if (!subkeys.empty() || Fails())
            return ERROR_ACCESS_DENIED;
        keys.erase(Lower(key));
        return ERROR_SUCCESS;
    }
    LSTATUS Contents(const std::wstring &key, std::vector<std::wstring> &subkeys,
                     DWORD &values) override {
        const std::wstring path = Lower(key);
        const auto found = keys.find(path);
        if (found == keys.end())
            return ERROR_FILE_NOT_FOUND;
        values = static_cast<DWORD>(found->second.size());
        const std::wstring prefix = path + L"\\";
        for (auto below = keys.upper_bound(prefix);
             below != keys.end() && below->first.starts_with(prefix); ++below) {
            if (below->first.find(L'\\', prefix.size()) == std::wstring::npos)
                subkeys.push_back(below->first.substr(prefix.size()));
        }
        return ERROR_SUCCESS;
    }

private:
    static LSTATUS Stored(const std::map<std::wstring, Values> &map, const std::wstring &key,
                          const std::wstring &name, StoredValue &value) {
        const auto found = map.find(Lower(key));
        if (found == map.end() || !found->second.contains(Lower(name)))
            return ERROR_FILE_NOT_FOUND;
        value = found->second.at(Lower(name));
        return ERROR_SUCCESS;
    }
    static std::wstring Lower(std::wstring text) {
        std::ranges::transform(text, text.begin(), [](wchar_t c) { return std::towlower(c); });
        return text;
    }
    bool Fails() { return ++changes == fail_at; }
    int fail_at = 0;
};

constexpr wchar_t kPath[] = L"C:\\Program Files\\Quorvane\\Quorvane.ocx";
constexpr HRESULT kDenied = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);

bool IsModule(const std::wstring &path) {
    return path == kPath;
}

// Besides this registration: the other bitness's, another locale's and another version's of
// the type library, and a TreatAs the user gave the class.
MemoryRegistry AmongOthers() {
    MemoryRegistry registry;
    const std::wstring version = kLibrary + L"\\8.0";
    registry.Put(version, L"", L"Quorvane");
    registry.Put(version + L"\\FLAGS", L"", L"2");
    registry.Put(version + L"\\0\\" + Platform(kOther), L"", L"C:\\other\\Quorvane.ocx");
    registry.Put(kClass + L"\\InprocServer32", L"", L"C:\\other\\Quorvane.ocx",
                 ClassesRegistry::View::Other);
    registry.Put(L"Quorvane.Schedule\\CLSID", L"", Id(CLSID_Schedule));
    registry.Put(version + L"\\409\\" + Platform(kMine), L"", L"C:\\409\\Quorvane.ocx");
    registry.Put(version + L"\\HELPDIR", L"", L"C:\\409");
    registry.Put(kLibrary + L"\\7.0\\0\\" + Platform(kMine), L"", L"C:\\7\\Quorvane.ocx");
    registry.Put(kClass + L"\\TreatAs", L"", L"{00000000-0000-0000-0000-000000000001}");
    return registry;
}

TEST(RegistrationSteps, UnregisteringRemovesWhatRegisteringWroteAndNothingElse) {
    for (const bool others : {false, true}) {
        SCOPED_TRACE(others ? "among others" : "alone");
        MemoryRegistry registry = others ? AmongOthers() : MemoryRegistry{};
        const auto before = registry.keys;
        ASSERT_EQ(S_OK, RegisterSchedule(registry, kPath));
        std::wstring server;
        registry.GetValue(kClass + L"\\InprocServer32", L"", server, ClassesRegistry::View::Own);
        EXPECT_EQ(kPath, server);

        const HRESULT removed = others ? S_FALSE : S_OK; // S_FALSE: the TreatAs stays
        EXPECT_EQ(removed, UnregisterSchedule(registry, IsModule));
        EXPECT_TRUE(before == registry.keys);
        EXPECT_EQ(removed, UnregisterSchedule(registry, IsModule)); // nothing left to remove
        EXPECT_TRUE(before == registry.keys);
    }
}

// A registration that fails is taken back whatever the registry held: an earlier registration,
// whose server path something rewrote as an expandable string, gets it back as it was, of the
// same type and unexpanded.
TEST(RegistrationSteps, ARegistrationThatFailsPartWayIsTakenBackAndReported) {
    MemoryRegistry earlier = AmongOthers();
    ASSERT_EQ(S_OK, RegisterSchedule(earlier, L"C:\\earlier\\Quorvane.ocx"));
    earlier.Put(kClass + L"\\InprocServer32", L"", L"%SystemDrive%\\earlier\\Quorvane.ocx",
                ClassesRegistry::View::Own, REG_EXPAND_SZ);
    for (const MemoryRegistry &start : {MemoryRegistry{}, earlier}) {
        int failed = 0;
        for (int n = 1;; ++n) {
            MemoryRegistry registry = start;
            registry.FailAt(n);
            const HRESULT result = RegisterSchedule(registry, kPath);
            if (registry.changes < n) { // it got through
                EXPECT_EQ(S_OK, result);
                break;
            }
            SCOPED_TRACE(n);
            EXPECT_EQ(kDenied, result);
            EXPECT_TRUE(start.keys == registry.keys);
            ++failed;
        }
        EXPECT_GE(failed, 22); // each of the 22 values, and in an empty registry its keys
    }
}

TEST(RegistrationSteps, AnUnregistrationThatFailsPartWayIsReported) {
    MemoryRegistry registered = AmongOthers();
    const auto before = registered.keys;
    ASSERT_EQ(S_OK, RegisterSchedule(registered, kPath));
    for (int n = 1;; ++n) {
        MemoryRegistry registry = registered;
        registry.FailAt(n);
        const HRESULT result = UnregisterSchedule(registry, IsModule);
        if (registry.changes < n) {
            EXPECT_EQ(S_FALSE, result);
            EXPECT_GE(n, 22);
            break;
        }
        SCOPED_TRACE(n);
        EXPECT_EQ(kDenied, result);
        registry.FailAt(0); // once the key can be changed, unregistering again finishes
        EXPECT_EQ(S_FALSE, UnregisterSchedule(registry, IsModule));
        EXPECT_TRUE(before == registry.keys);
    }
}

} // namespace
