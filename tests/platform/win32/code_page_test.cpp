// Names that the ANSI code page spells but that are not plain ASCII, under code page 1251 (Wine
// takes the code page from the locale: this suite runs with LC_ALL=ru_RU.UTF-8). The program holds
// every file name in the ANSI code page, as each "A" call of Windows reads it; the files here are
// made through the wide calls, so their names do not depend on the program's own conversions.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "hive/catalogue.h"
#include "hive/snapshot.h"
#include "platform/offline/installation_builder.h"
#include "platform/offline/offline_system.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"
#include "regf/regf.h"

namespace kelvara::platform::win32 {
namespace {

constexpr char kIvan[] = "\xC8\xE2\xE0\xED";              // "Иван" in code page 1251
constexpr wchar_t kIvanWide[] = L"\u0418\u0432\u0430\u043D";   // the same letters in UTF-16
constexpr char kIvanUtf8[] = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";

bool WriteWide(const std::wstring& file, const std::vector<std::uint8_t>& bytes)
{
    const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(handle);
    return ok && written == bytes.size();
}

bool ExistsWide(const std::wstring& file) { return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; }

class CodePage1251 : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::GetACP() != 1251) GTEST_SKIP() << "the ANSI code page is " << ::GetACP() << ", not 1251";
    }
};

std::vector<std::uint8_t> SoundHive()
{
    regf::KeySpec root;
    root.name = "ROOT";
    root.subkeys.push_back({"Software", "", 0, {}, {{"Name", 1, regf::Utf16z("value")}}, {}});
    auto bytes = regf::BuildBytes(root, {});
    return bytes.ok() ? bytes.value() : std::vector<std::uint8_t>{};
}

// A hive in such a folder, asked for through the Win32 platform: found, read, checked with the
// log beside it, its time read, and recovered into a new file of such a name.
TEST_F(CodePage1251, TheWin32PlatformReadsAHiveInAProfileFolderOfTheCodePage)
{
    const std::wstring folder = std::wstring(L"C:\\kvcp\\") + kIvanWide;
    ::CreateDirectoryW(L"C:\\kvcp", nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteWide(folder + L"\\NTUSER.DAT", SoundHive()));
    ASSERT_TRUE(WriteWide(folder + L"\\NTUSER.DAT.LOG1", {}));
    const std::string hive = std::string("C:\\kvcp\\") + kIvan + "\\NTUSER.DAT";
    ASSERT_NE(::GetFileAttributesA(hive.c_str()), INVALID_FILE_ATTRIBUTES) << "Windows reads the name so";

    Win32System sys;
    EXPECT_TRUE(sys.FileExists(hive));
    std::string problem;
    EXPECT_TRUE(sys.IsUsableHiveFile(hive, problem)) << problem;
    EXPECT_TRUE(sys.IsRecoverableHiveFile(hive, problem)) << problem;
    LocalTime written;
    EXPECT_TRUE(sys.FileWriteTime(hive, written));
    EXPECT_EQ(regf::FindLogFiles(hive), std::vector<std::string>{hive + ".LOG1"});
    std::uint64_t identity = 0;
    EXPECT_TRUE(sys.FileIdentity(hive, identity));

    const std::string recovered = hive + ".recovered";
    EXPECT_TRUE(sys.WriteRecoveredHive(hive, recovered, problem)) << problem;
    EXPECT_TRUE(ExistsWide(folder + L"\\NTUSER.DAT.recovered"));

    for (const wchar_t* name : {L"\\NTUSER.DAT", L"\\NTUSER.DAT.LOG1", L"\\NTUSER.DAT.recovered"})
        ::DeleteFileW((folder + name).c_str());
    ::RemoveDirectoryW(folder.c_str());
    ::RemoveDirectoryW(L"C:\\kvcp");
}

// The installation in a folder (KELVARA_OFFLINE_ROOT in the Windows program) with a profile of
// such a name: the hive list names the profile's hive in the code page, and the file is found,
// checked and saved under that name.
TEST_F(CodePage1251, TheOfflinePlatformFindsAProfileFolderOfTheCodePage)
{
    namespace testing = platform::offline::testing;
    const std::string sid = "S-1-5-21-1004336348-1177238915-682003330-1001";
    testing::TempFolder root;
    testing::InstallationSpec spec;
    spec.users = {{sid, std::string("%SystemDrive%\\Users\\") + kIvanUtf8, "Users/ivan", true, false}};
    testing::MakeInstallation(root.Path(), spec);
    const std::filesystem::path users = root.Path() / L"Users";
    std::filesystem::rename(users / L"ivan", users / kIvanWide);

    platform::OfflineSystem sys(root.Path().string());
    std::vector<std::string> keys, files;
    hive::LoadHiveList(sys, false, keys, files);
    const std::string expected = std::string("C:\\Users\\") + kIvan + "\\NTUSER.DAT";
    const auto found = std::find(files.begin(), files.end(), expected);
    ASSERT_NE(found, files.end()) << "the profile's hive is listed under its name in the code page";
    EXPECT_EQ(keys[static_cast<std::size_t>(found - files.begin())], "\\REGISTRY\\USER\\" + sid);

    EXPECT_TRUE(sys.FileExists(expected));
    std::string problem;
    EXPECT_TRUE(sys.IsUsableHiveFile(expected, problem)) << problem;
    ASSERT_TRUE(hive::SaveHiveCopy(sys, "\\REGISTRY\\USER\\" + sid, expected + ".kvf", false));
    EXPECT_TRUE(ExistsWide((users / kIvanWide / L"NTUSER.DAT.kvf").wstring()));
}

}  // namespace
}  // namespace kelvara::platform::win32
