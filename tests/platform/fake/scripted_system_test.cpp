// The scripted system behaves like the Win32 calls it stands in for, where tests of other
// code rely on it: buffer rules, case-insensitive names, save-refuses-to-overwrite, the log.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>

#include "platform/fake/scripted_system.h"

namespace kelvara::platform::fake {
namespace {

const std::string kHiveList = "SYSTEM\\CurrentControlSet\\Control\\hivelist";

TEST(ScriptedSystemRegistry, EnumeratesValuesInOrderAndHonoursTheNameBuffer)
{
    ScriptedSystem sys;
    sys.AddStringValue(RootKey::LocalMachine, kHiveList, "\\REGISTRY\\MACHINE\\SYSTEM", "x");
    sys.AddStringValue(RootKey::LocalMachine, kHiveList, "\\REGISTRY\\USER\\.DEFAULT", "y");

    KeyHandle key = 0;
    ASSERT_EQ(sys.RegOpenKeyEx(RootKey::LocalMachine, "system\\currentcontrolset\\control\\HIVELIST",
                               access::KeyAllAccess, key),
              status::Success);
    std::uint32_t count = 0, longest = 0;
    ASSERT_EQ(sys.RegQueryInfoKey(key, count, longest), status::Success);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(longest, 24u);

    std::string name;
    EXPECT_EQ(sys.RegEnumValueName(key, 0, 25, name), status::Success);
    EXPECT_EQ(name, "\\REGISTRY\\MACHINE\\SYSTEM");
    EXPECT_EQ(sys.RegEnumValueName(key, 1, 23, name), status::MoreData);   // no room for the zero
    EXPECT_EQ(sys.RegEnumValueName(key, 2, 25, name), status::NoMoreItems);

    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_EQ(sys.RegQueryValueEx(key, "\\registry\\user\\.default", type, data), status::Success);
    EXPECT_EQ(type, regtype::Sz);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{'y', 0}));

    EXPECT_EQ(sys.OpenKeyCount(), 1u);
    EXPECT_EQ(sys.RegCloseKey(key), status::Success);
    EXPECT_EQ(sys.RegCloseKey(key), status::InvalidHandle);
    EXPECT_EQ(sys.OpenKeyCount(), 0u);
}

TEST(ScriptedSystemRegistry, OpenFailures)
{
    ScriptedSystem sys;
    sys.AddKey(RootKey::LocalMachine, "SAM");
    sys.SetGrantedAccess(RootKey::LocalMachine, "SAM", access::KeyRead);
    sys.SetOpenStatus(RootKey::LocalMachine, "SECURITY", status::AccessDenied);

    struct Case {
        const char* path;
        std::uint32_t access;
        long expected;
    } cases[] = {
        {"SAM", access::KeyRead, status::Success},
        {"SAM", access::KeyQueryValue | access::KeyWow64_64Key, status::Success},
        {"SAM", access::KeyAllAccess, status::AccessDenied},
        {"SECURITY", access::KeyRead, status::AccessDenied},
        {"NOWHERE", access::KeyRead, status::FileNotFound},
    };
    for (const Case& c : cases) {
        KeyHandle key = 0;
        EXPECT_EQ(sys.RegOpenKeyEx(RootKey::LocalMachine, c.path, c.access, key), c.expected) << c.path;
        EXPECT_EQ(key != 0, c.expected == status::Success) << c.path;
        if (key) sys.RegCloseKey(key);
    }
    KeyHandle key = 0;
    EXPECT_EQ(sys.RegOpenKey(RootKey::LocalMachine, "SAM", key), status::Success)
        << "default access is not checked";
    sys.RegCloseKey(key);
}

TEST(ScriptedSystemRegistry, SaveWritesTheScriptedFileAndRefusesToOverwrite)
{
    ScriptedSystem sys;
    sys.AddKey(RootKey::LocalMachine, "SYSTEM");
    sys.SetSaveScript(RootKey::LocalMachine, "SYSTEM", SaveScript{status::Success, 4096});
    sys.AddKey(RootKey::Users, ".DEFAULT");
    sys.SetSaveScript(RootKey::Users, ".DEFAULT", SaveScript{status::PrivilegeNotHeld, 0});

    KeyHandle system = 0, user = 0;
    ASSERT_EQ(sys.RegOpenKey(RootKey::LocalMachine, "SYSTEM", system), status::Success);
    ASSERT_EQ(sys.RegOpenKey(RootKey::Users, ".DEFAULT", user), status::Success);
    const std::string copy = "C:\\Windows\\System32\\config\\SYSTEM.kvf";
    EXPECT_EQ(sys.RegSaveKey(system, copy), status::Success);
    EXPECT_EQ(sys.FileSize("c:\\windows\\system32\\CONFIG\\system.KVF"), 4096);
    EXPECT_EQ(sys.RegSaveKey(system, copy), status::AlreadyExists);
    EXPECT_EQ(sys.RegSaveKey(user, "C:\\u.kvf"), status::PrivilegeNotHeld);
    EXPECT_FALSE(sys.HasFile("C:\\u.kvf"));

    const auto log = sys.CallLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[2], "RegSaveKey SYSTEM -> " + copy);
}

TEST(ScriptedSystemRegistry, CancelledSavesWriteNothingUntilReset)
{
    ScriptedSystem sys;
    sys.AddKey(RootKey::LocalMachine, "SOFTWARE");
    KeyHandle key = 0;
    ASSERT_EQ(sys.RegOpenKey(RootKey::LocalMachine, "SOFTWARE", key), status::Success);

    // The save is held in the hook while another thread cancels, as a closing progress window does.
    std::promise<void> saveStarted;
    std::promise<void> cancelled;
    sys.SetSaveHook([&](const std::string&) {
        saveStarted.set_value();
        cancelled.get_future().wait();
    });
    auto save = std::async(std::launch::async, [&] { return sys.RegSaveKey(key, "C:\\a.kvf"); });
    saveStarted.get_future().wait();
    sys.CancelSaves();
    cancelled.set_value();
    EXPECT_EQ(save.get(), status::OperationAborted);
    EXPECT_FALSE(sys.HasFile("C:\\a.kvf"));

    sys.SetSaveHook(nullptr);
    EXPECT_EQ(sys.RegSaveKey(key, "C:\\b.kvf"), status::OperationAborted);
    sys.ResetCancel();
    EXPECT_EQ(sys.RegSaveKey(key, "C:\\b.kvf"), status::Success);
    EXPECT_TRUE(sys.HasFile("C:\\b.kvf"));
    sys.RegCloseKey(key);
}

TEST(ScriptedSystemDrives, LogicalDriveStringsFollowTheBufferRules)
{
    ScriptedSystem sys;
    sys.AddDrive('c', drivetype::Fixed, "\\Device\\HarddiskVolume1");
    sys.AddDrive('E', drivetype::Removable, "\\Device\\HarddiskVolume5");
    sys.AddUnlistedDevice('Q', "\\Device\\HarddiskVolume9");

    std::string buffer;
    EXPECT_EQ(sys.GetLogicalDriveStrings(104, buffer), 8u);
    EXPECT_EQ(buffer, std::string("C:\\\0E:\\\0\0", 9));
    std::string tooSmall = "untouched";
    EXPECT_EQ(sys.GetLogicalDriveStrings(8, tooSmall), 9u);
    EXPECT_EQ(tooSmall, "untouched");

    EXPECT_EQ(sys.GetDriveType("C:\\"), drivetype::Fixed);
    EXPECT_EQ(sys.GetDriveType("e:\\"), drivetype::Removable);
    EXPECT_EQ(sys.GetDriveType("Q:\\"), drivetype::NoRootDir);

    std::string target;
    EXPECT_TRUE(sys.QueryDosDevice("q:", 127, target));
    EXPECT_EQ(target, "\\Device\\HarddiskVolume9");
    EXPECT_FALSE(sys.QueryDosDevice("C:", 10, target)) << "name does not fit";
    EXPECT_FALSE(sys.QueryDosDevice("D:", 127, target));
    sys.SetDosDeviceFails('C');
    EXPECT_FALSE(sys.QueryDosDevice("C:", 127, target));
}

TEST(ScriptedSystemFiles, ExistenceSizeLocksAndDeletion)
{
    ScriptedSystem sys;
    sys.AddFile("C:\\Windows\\System32\\config\\SOFTWARE", 1000);
    sys.AddFile("C:\\held.kvf", 10);
    sys.SetFileLocked("C:\\held.kvf");
    sys.AddFile("C:\\odd", 5);
    sys.SetFileEntryUnreadable("C:\\odd");

    EXPECT_TRUE(sys.FileExists("c:\\windows\\system32\\config\\software"));
    std::int64_t size = 0;
    EXPECT_TRUE(sys.FindFirstFileSize("C:\\WINDOWS\\System32\\config\\SOFTWARE", 0x3F, size));
    EXPECT_EQ(size, 1000);
    EXPECT_FALSE(sys.FindFirstFileSize("C:\\odd", 0x3F, size));
    EXPECT_TRUE(sys.OpenExclusive("C:\\odd"));
    EXPECT_FALSE(sys.OpenExclusive("C:\\held.kvf"));
    EXPECT_FALSE(sys.OpenExclusive("C:\\missing"));
    EXPECT_FALSE(sys.DeleteFile("C:\\held.kvf"));
    EXPECT_TRUE(sys.DeleteFile("c:\\ODD"));
    EXPECT_FALSE(sys.FileExists("C:\\odd"));
    EXPECT_EQ(sys.CallLog(), (std::vector<std::string>{"DeleteFile C:\\held.kvf", "DeleteFile c:\\ODD"}));
}

TEST(ScriptedSystemFiles, ExpandFileNameLikeGetFullPathName)
{
    ScriptedSystem sys;
    sys.SetCurrentFolder("C:\\Program Files\\Kelvara\\");
    const std::pair<const char*, const char*> cases[] = {
        {"options.ini", "C:\\Program Files\\Kelvara\\options.ini"},
        {"..\\x.ini", "C:\\Program Files\\x.ini"},
        {"\\Windows\\win.ini", "C:\\Windows\\win.ini"},
        {"D:\\a\\.\\b\\..\\c", "D:\\a\\c"},
        {"D:/a/b", "D:\\a\\b"},
        {"D:\\..\\..\\a", "D:\\a"},
        {"D:\\a\\", "D:\\a\\"},
        {"D:\\", "D:\\"},
        {"\\\\server\\share\\..\\x", "\\\\server\\share\\x"},
        {"", ""},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(sys.ExpandFileName(path), expected) << path;
    }
}

TEST(ScriptedSystemMisc, ClockLocaleAndAnswers)
{
    ScriptedSystem sys;
    sys.SetTickCount(0xFFFFFFF0u);
    sys.SetTickStep(0x20);
    EXPECT_EQ(sys.GetTickCount(), 0xFFFFFFF0u);
    EXPECT_EQ(sys.GetTickCount(), 0x10u) << "the counter wraps";

    sys.SetDateTimeFormats("dd.MM.yyyy", "HH:mm:ss");
    EXPECT_EQ(sys.FormatShortDateLongTime(LocalTime{2009, 7, 4, 21, 5, 0, 0}), "04.07.2009 21:05:00");
    EXPECT_EQ(sys.FormatShortDate(LocalTime{2009, 7, 4, 21, 5, 0, 0}), "04.07.2009");
    sys.SetDateTimeFormats("yyyy/M/d", "tt hh:mm:ss");
    sys.SetTimeMarkers("am", "pm");
    EXPECT_EQ(sys.FormatShortDateLongTime(LocalTime{2009, 7, 4, 21, 5, 0, 0}), "2009/7/4 pm 09:05:00");
    EXPECT_EQ(sys.FormatShortDate(LocalTime{2009, 7, 4, 0, 0, 0, 0}), "2009/7/4");

    bool wow = true;
    sys.SetWow64(Wow64Function::Absent, true);
    EXPECT_FALSE(sys.IsWow64Process(wow));
    sys.SetWow64(Wow64Function::Present, true);
    EXPECT_TRUE(sys.IsWow64Process(wow));
    EXPECT_TRUE(wow);

    sys.SetPrivilegeResult("SeShutdownPrivilege", false);
    EXPECT_FALSE(sys.EnablePrivilege("SeShutdownPrivilege", access::TokenAdjustPrivilegesQuery));
    EXPECT_TRUE(sys.EnablePrivilege("SeBackupPrivilege", access::TokenAdjustPrivilegesQuery));
    EXPECT_TRUE(sys.ExitWindowsEx(exitflags::Reboot | exitflags::Force, 1));
    sys.ShellOpen("http://example.invalid/");
    EXPECT_EQ(sys.CallLog(), (std::vector<std::string>{
                                 "EnablePrivilege SeShutdownPrivilege 0x28",
                                 "EnablePrivilege SeBackupPrivilege 0x28",
                                 "ExitWindowsEx 6 1",
                                 "ShellOpen http://example.invalid/",
                             }));
}

TEST(ScriptedSystemThreads, CallsFromTwoThreadsAreAllLogged)
{
    ScriptedSystem sys;
    auto work = [&sys](const std::string& prefix) {
        for (int i = 0; i < 500; ++i) sys.DeleteFile(prefix + std::to_string(i));
    };
    std::thread a(work, "A");
    std::thread b(work, "B");
    a.join();
    b.join();
    EXPECT_EQ(sys.CallLog().size(), 1000u);
}

}  // namespace
}  // namespace kelvara::platform::fake
