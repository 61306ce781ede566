// The module's resources and version information, read back from the registered module.
#include "host.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

class Resources : public testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(ModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module_);
    }
    void TearDown() override { FreeLibrary(module_); }

    // The languages resource `type`/`name` is present in.
    std::vector<WORD> Languages(LPCWSTR type, LPCWSTR name) const {
        std::vector<WORD> languages;
        EnumResourceLanguagesW(module_, type, name, AddLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        return languages;
    }
    static BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
        reinterpret_cast<std::vector<WORD> *>(found)->push_back(language);
        return TRUE;
    }

    // The bytes of resource `type`/`name` in `language`.
    std::vector<BYTE> Bytes(LPCWSTR type, LPCWSTR name, WORD language = 0) const {
        HRSRC found = FindResourceExW(module_, type, name, language);
        if (!found)
            return {};
        const auto data = static_cast<const BYTE *>(LockResource(LoadResource(module_, found)));
        return std::vector<BYTE>(data, data + SizeofResource(module_, found));
    }

    HMODULE module_ = nullptr;
};

const std::vector<WORD> kNeutral{0};

std::vector<BYTE> LengthAndIdentifier(REFIID iid) {
    std::vector<BYTE> bytes(4 + sizeof(IID));
    bytes[0] = 16;
    std::memcpy(bytes.data() + 4, &iid, sizeof(IID));
    return bytes;
}

TEST_F(Resources, InterfaceIdentifiersLengthFirst) {
    EXPECT_EQ(kNeutral, Languages(L"_IID_SCHEDULE", MAKEINTRESOURCEW(1)));
    EXPECT_EQ(kNeutral, Languages(L"_SRCIID_SCHEDULE", MAKEINTRESOURCEW(1)));
    EXPECT_EQ(LengthAndIdentifier(IID__Schedule), Bytes(L"_IID_SCHEDULE", MAKEINTRESOURCEW(1)));
    EXPECT_EQ(LengthAndIdentifier(DIID___Schedule),
              Bytes(L"_SRCIID_SCHEDULE", MAKEINTRESOURCEW(1)));
    EXPECT_EQ(kNeutral, Languages(L"TYPELIB", MAKEINTRESOURCEW(1)));
}

TEST_F(Resources, ToolboxBitmapAndDesignIcon) {
    EXPECT_EQ(kNeutral, Languages(RT_BITMAP, MAKEINTRESOURCEW(30000)));
    const std::vector<BYTE> bitmap = Bytes(RT_BITMAP, MAKEINTRESOURCEW(30000));
    ASSERT_EQ(sizeof(BITMAPINFOHEADER) + 16 * 3 * 15, bitmap.size());
    BITMAPINFOHEADER header;
    std::memcpy(&header, bitmap.data(), sizeof header);
    EXPECT_EQ(16, header.biWidth);
    EXPECT_EQ(15, header.biHeight);
    EXPECT_EQ(1, header.biPlanes);
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression);

    EXPECT_EQ(kNeutral, Languages(RT_GROUP_ICON, MAKEINTRESOURCEW(101)));
    std::vector<BYTE> group = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(101));
    ASSERT_GE(group.size(), 6u);
    EXPECT_EQ(1, group[4] | group[5] << 8); // one image
    const int icon = LookupIconIdFromDirectoryEx(group.data(), TRUE, 32, 32, LR_DEFAULTCOLOR);
    ASSERT_NE(0, icon);
    const std::vector<BYTE> image = Bytes(RT_ICON, MAKEINTRESOURCEW(icon));
    ASSERT_GE(image.size(), sizeof header);
    std::memcpy(&header, image.data(), sizeof header);
    EXPECT_EQ(32, header.biWidth);
    EXPECT_EQ(64, header.biHeight); // the colour image, then its mask
    EXPECT_EQ(4, header.biBitCount);
}

std::wstring VersionString(const std::vector<BYTE> &info, const wchar_t *name, UINT *length) {
    void *value = nullptr;
    *length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, length))
        return L"<missing>";
    return static_cast<const wchar_t *>(value);
}

TEST_F(Resources, VersionInformation) {
    EXPECT_EQ(std::vector<WORD>{0x0411}, Languages(RT_VERSION, MAKEINTRESOURCEW(1)));

    const std::wstring path = ModulePath();
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_NE(0u, size);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &length));
    ASSERT_EQ(sizeof *fixed, length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    // 1.1.0.revision: the release's build makes the revision the commit's number in history.
    const DWORD revision = fixed->dwFileVersionLS;
    EXPECT_EQ(0x00010001u, fixed->dwFileVersionMS);
    EXPECT_LE(revision, 9999u);
    EXPECT_EQ(0x00010001u, fixed->dwProductVersionMS);
    EXPECT_EQ(revision, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VS_FFI_FILEFLAGSMASK), fixed->dwFileFlagsMask);
    EXPECT_EQ(0u, fixed->dwFileFlags);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed->dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);
    EXPECT_EQ(static_cast<DWORD>(VFT2_UNKNOWN), fixed->dwFileSubtype);

    WORD *translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void **>(&translation), &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0411, translation[0]);
    EXPECT_EQ(1200, translation[1]);

    wchar_t text[16];
    swprintf(text, 16, L"1.01.%04lu", static_cast<unsigned long>(revision));
    const struct {
        const wchar_t *name, *value;
    } strings[] = {{L"CompanyName", L"Quorvane"},  {L"ProductName", L"Quorvane"},
                   {L"FileVersion", text},         {L"ProductVersion", text},
                   {L"InternalName", L"Quorvane"}, {L"OriginalFilename", L"Quorvane.ocx"}};
    for (const auto &string : strings) {
        SCOPED_TRACE(string.name);
        EXPECT_EQ(string.value, VersionString(info, string.name, &length));
        EXPECT_EQ(wcslen(string.value) + 1, length);
    }
    // Present and empty: the value is the terminating NUL alone.
    EXPECT_EQ(L"", VersionString(info, L"OLESelfRegister", &length));
    EXPECT_EQ(1u, length);
}

} // namespace
