// The theme file beside a program whose folder is named in the ANSI code page, under code page
// 1251 (Wine takes it from the locale: this suite runs with LC_ALL=ru_RU.UTF-8). The program
// holds that folder's name as the "A" calls give it; the file is made through the wide calls,
// so its name does not depend on the program's own conversion.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "controls/colour_scheme.h"
#include "controls/theme_file.h"

namespace kelvara::controls::testing {
namespace {

constexpr char kIvan[] = "\xC8\xE2\xE0\xED";                   // "Иван" in code page 1251
constexpr wchar_t kIvanWide[] = L"\u0418\u0432\u0430\u043D";   // the same letters in UTF-16

bool WriteWide(const std::wstring& file, const std::string& bytes) {
    const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(handle);
    return ok && written == bytes.size();
}

class ThemeInACodePageFolder : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetACP() != 1251) GTEST_SKIP() << "the ANSI code page is " << ::GetACP() << ", not 1251";
        ::CreateDirectoryW(kRoot, nullptr);
        ASSERT_TRUE(::CreateDirectoryW(FolderWide().c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override {
        ::DeleteFileW((FolderWide() + L"\\Theme.ini").c_str());
        ::RemoveDirectoryW(FolderWide().c_str());
        ::RemoveDirectoryW(kRoot);
    }
    static std::wstring FolderWide() { return std::wstring(kRoot) + L"\\" + kIvanWide; }
    // The program folder as the program holds it: ANSI, with its trailing separator.
    static std::string Folder() { return std::string("C:\\kvtheme\\") + kIvan + "\\"; }

    static constexpr const wchar_t* kRoot = L"C:\\kvtheme";
};

TEST_F(ThemeInACodePageFolder, TheThemeFileIsFoundAndRead) {
    ASSERT_TRUE(WriteWide(FolderWide() + L"\\" + L"Theme.ini", "[Colours]\r\nFace=1,2,3\r\n"));
    const ThemeLoad theme = LoadThemeFile(Folder() + kThemeFileName);
    EXPECT_EQ(theme.error, "");
    EXPECT_EQ(theme.style.face, 0x00030201u);   // COLORREF 0x00BBGGRR of 1,2,3
}

TEST_F(ThemeInACodePageFolder, AMissingThemeIsStillReportedMissing) {
    const ThemeLoad theme = LoadThemeFile(Folder() + kThemeFileName);
    EXPECT_NE(theme.error.find("missing"), std::string::npos) << theme.error;
    EXPECT_EQ(theme.style.face, DefaultSkinStyle().face);
}

}  // namespace
}  // namespace kelvara::controls::testing
