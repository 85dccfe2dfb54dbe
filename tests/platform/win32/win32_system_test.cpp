// Win32System against the real API under Wine (a new prefix: Windows 7, 64-bit, C: and Z:).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/dirty_hive.h"
#include "hive/catalogue.h"
#include "platform/device_path.h"
#include "platform/version.h"
#include "platform/win32/process_start.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"

namespace kelvara::platform::win32 {
namespace {

// A file made by this process; removed again at the end of the test.
class TempFile {
public:
    TempFile(std::string path, const std::string& content) : path_(std::move(path))
    {
        std::ofstream out(path_, std::ios::binary);
        out << content;
    }
    ~TempFile() { ::DeleteFileA(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::vector<std::string> DriveRoots(const std::string& buffer)
{
    std::vector<std::string> roots;
    for (std::size_t at = 0; at < buffer.size() && buffer[at] != '\0';) {
        const std::size_t end = buffer.find('\0', at);
        roots.push_back(buffer.substr(at, end - at));
        at = end + 1;
    }
    return roots;
}

TEST(Win32SystemDrives, WineHasFixedDisksCAndZ)
{
    Win32System sys;
    std::string buffer;
    const std::uint32_t length = sys.GetLogicalDriveStrings(104, buffer);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, 104u);
    const auto roots = DriveRoots(buffer);
    EXPECT_NE(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
    EXPECT_NE(std::find(roots.begin(), roots.end(), "Z:\\"), roots.end());
    EXPECT_EQ(sys.GetDriveType("C:\\"), drivetype::Fixed);
    EXPECT_EQ(sys.GetDriveType("Z:\\"), drivetype::Fixed);

    std::string tooSmall;
    EXPECT_GT(sys.GetLogicalDriveStrings(4, tooSmall), 4u) << "the size needed comes back";
    EXPECT_TRUE(tooSmall.empty());

    std::string device;
    ASSERT_TRUE(sys.QueryDosDevice("C:", 127, device));
    EXPECT_EQ(device, "\\Device\\HarddiskVolume1");
    EXPECT_FALSE(sys.QueryDosDevice("C:", 5, device)) << "a buffer too small for the name";

    EXPECT_EQ(DevicePathToDrivePath(sys, "\\Device\\HarddiskVolume1\\windows\\win.ini"), "C:\\windows\\win.ini");
    EXPECT_EQ(DevicePathToLetterPath(sys, "\\Device\\HarddiskVolume1\\windows\\win.ini"), "c:\\windows\\win.ini");
}

// Writes values into the real hivelist key for one test and removes them again.
class HiveListValues {
public:
    HiveListValues()
    {
        ok_ = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, hive::kHiveListKey, 0, KEY_SET_VALUE, &key_) == ERROR_SUCCESS;
    }
    ~HiveListValues()
    {
        for (const std::string& name : names_) ::RegDeleteValueA(key_, name.c_str());
        if (ok_) ::RegCloseKey(key_);
    }
    bool ok() const { return ok_; }
    void String(const std::string& name, const std::string& text)
    {
        Set(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    void Dword(const std::string& name, DWORD value) { Set(name, REG_DWORD, &value, sizeof value); }

private:
    void Set(const std::string& name, DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(::RegSetValueExA(key_, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        names_.push_back(name);
    }
    HKEY key_ = nullptr;
    bool ok_ = false;
    std::vector<std::string> names_;
};

TEST(Win32SystemCatalogue, LoadHiveListReadsTheRealHiveListKey)
{
    Win32System sys;
    const bool is64 = IsWow64(sys);
    ::CreateDirectoryA("C:\\kvtest", nullptr);
    TempFile hive("C:\\kvtest\\HIVEFILE", "regf");
    // Made through sysnative, the file lands in the real system folder, which this 32-bit
    // process sees as system32 only on 32-bit Windows.
    TempFile native(is64 ? "C:\\windows\\sysnative\\kvtest.dat" : "C:\\windows\\system32\\kvtest.dat", "regf");

    HiveListValues values;
    ASSERT_TRUE(values.ok());
    values.String("\\REGISTRY\\MACHINE\\KVTEST1", "\\Device\\HarddiskVolume1\\kvtest\\HIVEFILE");
    values.Dword("\\REGISTRY\\MACHINE\\KVTEST2", 1);
    values.String("\\REGISTRY\\MACHINE\\KVTEST3", "");
    values.String("\\REGISTRY\\MACHINE\\KVTEST4", "\\Device\\HarddiskVolume1\\kvtest\\MISSING");
    values.String("\\REGISTRY\\MACHINE\\KVTEST5", "\\Device\\HarddiskVolume1\\windows\\system32\\kvtest.dat");

    // A name buffer without room for the zero is refused, as the catalogue expects.
    KeyHandle key = 0;
    ASSERT_EQ(sys.RegOpenKeyEx(RootKey::LocalMachine, hive::kHiveListKey, access::KeyAllAccess, key), 0);
    std::uint32_t count = 0, longest = 0;
    ASSERT_EQ(sys.RegQueryInfoKey(key, count, longest), 0);
    EXPECT_GE(count, 5u);
    EXPECT_GE(longest, 25u);
    std::string name;
    EXPECT_EQ(sys.RegEnumValueName(key, 0, 3, name), status::MoreData);
    EXPECT_EQ(sys.RegEnumValueName(key, count, longest + 1, name), status::NoMoreItems);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_EQ(sys.RegQueryValueEx(key, "\\REGISTRY\\MACHINE\\KVTEST2", type, data), 0);
    EXPECT_EQ(type, regtype::Dword);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    sys.RegCloseKey(key);

    std::vector<std::string> keys, files;
    hive::LoadHiveList(sys, is64, keys, files);
    const std::string expectedNative =
        is64 ? "C:\\windows\\sysnative\\kvtest.dat" : "C:\\windows\\system32\\kvtest.dat";
    EXPECT_EQ(keys, (std::vector<std::string>{"\\REGISTRY\\MACHINE\\KVTEST1", "\\REGISTRY\\MACHINE\\KVTEST5"}));
    EXPECT_EQ(files, (std::vector<std::string>{"C:\\kvtest\\HIVEFILE", expectedNative}));
}

// A profile folder named in letters the ANSI code page lacks: the hive is named and left out,
// never handed to the ANSI calls under look-alike letters ("\u0100" best-fits to "A" in code
// page 1252, and C:\kvtest\Alex\NTUSER.DAT exists to be taken for it).
TEST(Win32SystemCatalogue, AHiveWhosePathTheCodePageCannotSpellIsNamedAndLeftOut)
{
    const UINT codePage = ::GetACP();
    if (codePage == CP_UTF8 || codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950)
        GTEST_SKIP() << "code page " << codePage << " spells these letters";
    Win32System sys;
    ::CreateDirectoryA("C:\\kvtest", nullptr);
    ::CreateDirectoryA("C:\\kvtest\\Alex", nullptr);
    TempFile lookAlike("C:\\kvtest\\Alex\\NTUSER.DAT", "regf");
    TempFile plain("C:\\kvtest\\HIVEFILE", "regf");

    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, hive::kHiveListKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const std::pair<const wchar_t*, const wchar_t*> values[] = {
        {L"\\REGISTRY\\USER\\KVTEST-BESTFIT", L"\\Device\\HarddiskVolume1\\kvtest\\\u0100lex\\NTUSER.DAT"},
        {L"\\REGISTRY\\USER\\KVTEST-HAN", L"\\Device\\HarddiskVolume1\\kvtest\\\u4E2D\u6587\\NTUSER.DAT"},
        {L"\\REGISTRY\\MACHINE\\KVTEST-PLAIN", L"\\Device\\HarddiskVolume1\\kvtest\\HIVEFILE"},
    };
    for (const auto& [name, data] : values)
        ASSERT_EQ(::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                                   static_cast<DWORD>((std::wcslen(data) + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);

    std::vector<std::string> keys, files;
    std::vector<hive::PassedOverHive> passedOver;
    hive::LoadHiveList(sys, IsWow64(sys), keys, files, passedOver);
    for (const auto& [name, data] : values) ::RegDeleteValueW(key, name);
    ::RegCloseKey(key);

    EXPECT_EQ(std::count(keys.begin(), keys.end(), "\\REGISTRY\\MACHINE\\KVTEST-PLAIN"), 1);
    EXPECT_EQ(std::count(files.begin(), files.end(), "C:\\kvtest\\Alex\\NTUSER.DAT"), 0);
    std::vector<std::string> named;
    for (const hive::PassedOverHive& hive : passedOver) named.push_back(hive.hivePath);
    EXPECT_EQ(named, (std::vector<std::string>{"\\REGISTRY\\USER\\KVTEST-BESTFIT", "\\REGISTRY\\USER\\KVTEST-HAN"}));
}

// Wine's redirector is real: a file in the real system folder, named through "sysnative", is
// reached by every file call, which turn the redirector off and name the folder System32.
TEST(Win32SystemFiles, TheRealSystemFolderThroughSysnative)
{
    Win32System sys;
    if (!IsWow64(sys)) GTEST_SKIP() << "no redirector on 32-bit Windows";
    const std::string name = "C:\\windows\\sysnative\\kvtest-native.dat";
    TempFile native(name, "twelve bytes");
    // The same file is not in the folder a 32-bit program sees as system32.
    EXPECT_EQ(::GetFileAttributesA("C:\\windows\\system32\\kvtest-native.dat"), INVALID_FILE_ATTRIBUTES);

    EXPECT_TRUE(sys.FileExists(name));
    std::int64_t size = 0;
    EXPECT_TRUE(sys.FindFirstFileSize(name, 0x3F, size));
    EXPECT_EQ(size, 12);
    EXPECT_TRUE(sys.OpenExclusive(name));
    EXPECT_TRUE(sys.DeleteFile(name));
    EXPECT_FALSE(sys.FileExists(name));
    EXPECT_FALSE(sys.FileRedirectionLost());
}

TEST(Win32SystemVersion, WineReportsSixtyFourBitWindows7)
{
    Win32System sys;
    const OsVersion version = sys.GetVersionEx();
    EXPECT_EQ(version.platformId, 2u);
    EXPECT_EQ(version.majorVersion, 6u);
    EXPECT_EQ(version.minorVersion, 1u);
    EXPECT_GT(version.buildNumber, 0u);
    EXPECT_EQ(GetWindowsVersionCode(sys), 12);
    EXPECT_TRUE(IsWow64(sys));
}

TEST(Win32SystemRegistry, SaveKeyWritesAFile)
{
    Win32System sys;
    EXPECT_TRUE(sys.EnablePrivilege("SeBackupPrivilege", access::TokenAdjustPrivilegesQuery));
    EXPECT_FALSE(sys.EnablePrivilege("SeNoSuchPrivilege", access::TokenAdjustPrivilegesQuery));
    EXPECT_TRUE(sys.EnablePrivilege("SeRestorePrivilege", access::TokenAllAccess));
    EXPECT_TRUE(sys.EnablePrivilege("SeShutdownPrivilege", access::TokenAdjustPrivilegesQuery));
    EXPECT_FALSE(sys.EnablePrivilege("SeBackupPrivilege", 0)) << "a token opened without the rights";

    const std::string copy = "C:\\kvtest-software.kvf";
    ::DeleteFileA(copy.c_str());
    KeyHandle key = 0;
    ASSERT_EQ(sys.RegOpenKeyEx(RootKey::LocalMachine, "SOFTWARE",
                               access::KeyQueryValue | access::KeyWow64_64Key, key), 0);
    EXPECT_EQ(sys.RegSaveKey(key, copy), 0);
    // Windows refuses to save onto an existing file (ERROR_ALREADY_EXISTS); Wine 8 overwrites
    // it. Callers delete the old copy first, so either answer is fine for them.
    EXPECT_EQ(sys.RegCloseKey(key), 0);

    std::int64_t size = 0;
    ASSERT_TRUE(sys.FindFirstFileSize(copy, 0x3F, size));
    EXPECT_GT(size, 1000);
    std::ifstream in(copy, std::ios::binary);
    std::string head(4, '\0');
    in.read(head.data(), 4);
    EXPECT_EQ(head, "WINE") << "Wine writes its own text format";
    in.close();
    EXPECT_TRUE(sys.DeleteFile(copy));
    EXPECT_FALSE(sys.FileExists(copy));

    EXPECT_EQ(sys.RegOpenKey(RootKey::Users, ".DEFAULT", key), 0);
    sys.RegCloseKey(key);
    EXPECT_EQ(sys.RegOpenKey(RootKey::LocalMachine, "NO\\SUCH\\KEY", key), status::FileNotFound);
}

TEST(Win32SystemFiles, ExistenceSizeAndExclusiveOpen)
{
    Win32System sys;
    TempFile one("C:\\kvtest-one.bin", "x");
    EXPECT_TRUE(sys.FileExists("c:\\KVTEST-ONE.BIN"));
    EXPECT_FALSE(sys.FileExists("C:\\windows")) << "a folder is not a file";
    EXPECT_FALSE(sys.FileExists(""));

    std::int64_t size = -5;
    ASSERT_TRUE(sys.FindFirstFileSize(one.path(), 0x3F, size));
    EXPECT_EQ(size, 1);
    EXPECT_FALSE(sys.FindFirstFileSize("C:\\kvtest-none.bin", 0x3F, size));

    EXPECT_TRUE(sys.OpenExclusive(one.path()));
    HANDLE held = ::CreateFileA(one.path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(sys.OpenExclusive(one.path())) << "held open without sharing";
    EXPECT_FALSE(sys.DeleteFile(one.path())) << "a file held open without sharing stays";
    EXPECT_TRUE(sys.FileExists(one.path()));
    ::CloseHandle(held);
    EXPECT_TRUE(sys.OpenExclusive(one.path()));
    EXPECT_FALSE(sys.DeleteFile("C:\\kvtest-none.bin"));

    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);
    std::string expected = current;
    if (expected.back() != '\\') expected += '\\';
    EXPECT_EQ(sys.ExpandFileName("some.kvf"), expected + "some.kvf");

    const std::string folder = sys.ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(sys.FileExists(folder + "platform_win32_tests.exe"));
}

// What the Undo command asks of a backup on the running Windows, where its logs cannot go along
// with it: a dirty one passes the check with its logs and is recovered into a clean file.
TEST(Win32SystemFiles, ADirtyBackupIsCheckedWithItsLogsAndRecoveredIntoACleanFile)
{
    Win32System sys;
    const std::vector<std::uint8_t> crashed = fuzzing::CrashedHive();
    const std::vector<std::uint8_t> log =
        regf::WriteLogEntries({fuzzing::HiveAfter(0), fuzzing::HiveAfter(1), fuzzing::HiveAfter(2)});
    TempFile backup("C:\\kvtest-undo.bak", std::string(crashed.begin(), crashed.end()));
    TempFile backupLog("C:\\kvtest-undo.bak.LOG1", std::string(log.begin(), log.end()));
    TempFile damaged("C:\\kvtest-damaged.bak", std::string(9000, 'x'));
    const std::string recovered = "C:\\kvtest-undo.bak.recovered";

    std::string problem;
    EXPECT_FALSE(sys.IsUsableHiveFile(backup.path(), problem)) << "dirty: not to be handed over as it is";
    EXPECT_TRUE(sys.IsRecoverableHiveFile(backup.path(), problem)) << problem;
    EXPECT_FALSE(sys.IsRecoverableHiveFile(damaged.path(), problem));
    EXPECT_NE(problem.find("kvtest-damaged.bak"), std::string::npos) << problem;

    ASSERT_TRUE(sys.WriteRecoveredHive(backup.path(), recovered, problem)) << problem;
    EXPECT_TRUE(sys.IsUsableHiveFile(recovered, problem)) << problem;
    const regf::CheckReport report = regf::CheckFile(recovered);
    EXPECT_TRUE(report.sound && !report.dirty) << report.Text();
    ::DeleteFileA(recovered.c_str());

    LocalTime written;
    ASSERT_TRUE(sys.FileWriteTime(backup.path(), written));
    const LocalTime now = sys.GetLocalTime();
    EXPECT_EQ(written.year, now.year);
    EXPECT_FALSE(sys.FileWriteTime("C:\\kvtest-none.bak", written));
}

// The record number of a file under any name: kept by a rename, another file's differs, and a
// file held open by someone who shares nothing can still be asked, as a hive can.
TEST(Win32SystemFiles, FileIdentityFollowsTheFileNotTheName)
{
    Win32System sys;
    ::DeleteFileA("C:\\kvtest-renamed.bin");
    TempFile first("C:\\kvtest-identity.bin", "first");
    TempFile second("C:\\kvtest-other.bin", "second");
    std::uint64_t before = 0, other = 0, after = 0, held = 0;
    ASSERT_TRUE(sys.FileIdentity(first.path(), before));
    ASSERT_TRUE(sys.FileIdentity(second.path(), other));
    EXPECT_NE(before, other);
    EXPECT_EQ(before >> 48, 0u) << "the reuse count is left out";

    ASSERT_TRUE(::MoveFileA(first.path().c_str(), "C:\\kvtest-renamed.bin"));
    TempFile renamed("C:\\kvtest-renamed.bin", std::string());   // removes it at the end
    EXPECT_FALSE(sys.FileIdentity(first.path(), after)) << "nothing is left under the old name";
    ASSERT_TRUE(sys.FileIdentity("C:\\kvtest-renamed.bin", after));
    EXPECT_EQ(after, before);

    const HANDLE exclusive = ::CreateFileA(second.path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(sys.OpenExclusive(second.path())) << "the file is held";
    EXPECT_TRUE(sys.FileIdentity(second.path(), held)) << "yet its identity can be asked";
    ::CloseHandle(exclusive);
    EXPECT_EQ(held, other);

    EXPECT_FALSE(sys.FileIdentity("C:\\kvtest-none.bin", after));
}

TEST(Win32SystemFiles, FileIdentityReachesTheRealSystemFolderThroughSysnative)
{
    Win32System sys;
    if (!IsWow64(sys)) GTEST_SKIP() << "no redirector on 32-bit Windows";
    TempFile native("C:\\windows\\sysnative\\kvtest-identity.dat", "native");
    TempFile redirected("C:\\windows\\system32\\kvtest-identity.dat", "redirected");
    std::uint64_t throughAlias = 0, seen = 0;
    ASSERT_TRUE(sys.FileIdentity(native.path(), throughAlias));
    ASSERT_TRUE(sys.FileIdentity(redirected.path(), seen));
    EXPECT_NE(throughAlias, seen) << "two files: the real system folder's and the 32-bit one's";
    EXPECT_FALSE(sys.FileRedirectionLost());
}

TEST(Win32SystemFiles, CommonAppDataFolderIsAnExistingFolderWithoutTrailingBackslash)
{
    Win32System sys;
    const std::string folder = sys.CommonAppDataFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << folder;
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u) << folder;
    // Windows 7, which the new prefix reports, keeps it at C:\ProgramData.
    EXPECT_EQ(_stricmp(folder.c_str(), "C:\\ProgramData"), 0) << folder;
}

// The clocks against the C runtime's own, which reads the system time by another way.
TEST(Win32SystemMisc, UtcNowAndTheSystemStartTime)
{
    Win32System sys;
    const std::int64_t runtimeNow = static_cast<std::int64_t>(std::time(nullptr));
    const std::int64_t now = sys.UtcNow();
    EXPECT_LE(std::abs(now - runtimeNow), 2) << now << " against " << runtimeNow;

    std::int64_t started = 0;
    ASSERT_TRUE(sys.SystemStartTime(started));
    EXPECT_LE(started, now);
    EXPECT_GT(started, now - 24 * 3600) << "the test machine started within a day";
    std::int64_t again = 0;
    ::Sleep(1100);
    ASSERT_TRUE(sys.SystemStartTime(again));
    EXPECT_LE(std::abs(again - started), 2) << "the start does not move as time passes";
}

// The callers COM lets in, read back with the system's own ACL calls and compared with the
// well-known accounts as Windows names them.
TEST(Win32ProcessStart, ComLetsInTheAccountsSystemRestoreCallsFrom)
{
    std::vector<std::uint8_t> buffer = ComCallersAccessList();
    ASSERT_FALSE(buffer.empty());
    auto* acl = reinterpret_cast<PACL>(buffer.data());
    ASSERT_TRUE(::IsValidAcl(acl));
    const WELL_KNOWN_SID_TYPE expected[] = {WinBuiltinAdministratorsSid, WinSelfSid, WinLocalSystemSid,
                                            WinLocalServiceSid, WinNetworkServiceSid};
    ASSERT_EQ(acl->AceCount, std::size(expected));
    for (WORD i = 0; i < acl->AceCount; ++i) {
        void* entry = nullptr;
        ASSERT_TRUE(::GetAce(acl, i, &entry));
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Mask, 3u) << "COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL";
        BYTE wanted[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof wanted;
        ASSERT_TRUE(::CreateWellKnownSid(expected[i], nullptr, wanted, &size));
        EXPECT_TRUE(::EqualSid(const_cast<DWORD*>(&ace->SidStart), wanted)) << "entry " << i;
    }
}

TEST(Win32SystemMisc, RestorePointClockAndLocale)
{
    Win32System sys;
    // Wine's SrClient.dll exists and answers FALSE.
    RestorePointRequest request;
    request.description = std::string(100, 'x');   // longer than the record's field
    EXPECT_EQ(sys.SetRestorePoint(request), RestorePointOutcome::Failed);

    // Wine's tick count follows its server's clock, which a loaded machine updates late: the
    // sleep is long enough that the count must have moved all the same.
    const std::uint32_t before = sys.GetTickCount();
    ::Sleep(100);
    EXPECT_GE(sys.GetTickCount() - before, 10u);

    const LocalTime now = sys.GetLocalTime();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);

    const char separator = sys.DecimalSeparator();
    EXPECT_TRUE(separator == '.' || separator == ',') << separator;
    const std::string text = sys.FormatShortDateLongTime(LocalTime{2009, 7, 4, 21, 5, 9, 0});
    EXPECT_NE(text.find("2009"), std::string::npos) << text;
    EXPECT_NE(text.find("05"), std::string::npos) << text;
    EXPECT_NE(text.find(' '), std::string::npos) << text;

    // The date alone is the system's own short date, exactly what begins the date and time.
    for (const LocalTime& when : {LocalTime{2009, 7, 4, 21, 5, 9, 0}, LocalTime{2024, 12, 31, 0, 0, 0, 0}}) {
        char expected[128] = {};
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(when.year);
        st.wMonth = static_cast<WORD>(when.month);
        st.wDay = static_cast<WORD>(when.day);
        ASSERT_GT(::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, expected, sizeof expected), 0);
        const std::string date = sys.FormatShortDate(when);
        EXPECT_EQ(date, expected);
        EXPECT_EQ(sys.FormatShortDateLongTime(when).rfind(date + " ", 0), 0u) << date;
    }
}

}  // namespace
}  // namespace kelvara::platform::win32
