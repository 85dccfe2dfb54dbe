// The version read from the installation, and the small services of the presented Windows.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "installation_builder.h"
#include "platform/offline/clock.h"
#include "platform/offline/installed_windows.h"
#include "platform/offline/offline_system.h"
#include "platform/offline/user_locale.h"

namespace kelvara::platform::offline::testing {
namespace {
namespace fs = std::filesystem;

TEST(Version, ReadFromTheSoftwareHiveAsAnUnmanifestedProgramSeesIt) {
    struct Case {
        const char* what;
        std::vector<regf::ValueSpec> values;
        OsVersion expected;
    };
    const Case cases[] = {
        {"Windows 7",
         {{"CurrentVersion", 1, regf::Utf16z("6.1")}, {"CurrentBuildNumber", 1, regf::Utf16z("7601")}},
         {6, 1, 7601, 2}},
        {"Windows XP",
         {{"CurrentVersion", 1, regf::Utf16z("5.1")}, {"CurrentBuildNumber", 1, regf::Utf16z("2600")}},
         {5, 1, 2600, 2}},
        {"Windows 8",
         {{"CurrentVersion", 1, regf::Utf16z("6.2")}, {"CurrentBuildNumber", 1, regf::Utf16z("9200")}},
         {6, 2, 9200, 2}},
        {"Windows 8.1: reported as Windows 8",
         {{"CurrentVersion", 1, regf::Utf16z("6.3")}, {"CurrentBuildNumber", 1, regf::Utf16z("9600")}},
         {6, 2, 9200, 2}},
        {"Windows 10: 6.3 in the string, 10.0 in the dwords",
         {{"CurrentVersion", 1, regf::Utf16z("6.3")},
          {"CurrentMajorVersionNumber", 4, regf::Dword(10)},
          {"CurrentMinorVersionNumber", 4, regf::Dword(0)},
          {"CurrentBuildNumber", 1, regf::Utf16z("19045")}},
         {6, 2, 9200, 2}},
        {"only CurrentBuild",
         {{"CurrentVersion", 1, regf::Utf16z("6.0")}, {"CurrentBuild", 1, regf::Utf16z("6002")}},
         {6, 0, 6002, 2}},
        {"no version values", {{"ProductName", 1, regf::Utf16z("Windows")}}, {0, 0, 0, 0}},
        {"a version that is not a number", {{"CurrentVersion", 1, regf::Utf16z("six")}}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        TempFolder root;
        InstallationSpec layout;
        layout.currentVersion = c.values;
        MakeInstallation(root.Path(), layout);
        OsVersion v = OfflineSystem(root.Path().string()).GetVersionEx();
        EXPECT_EQ(v.majorVersion, c.expected.majorVersion) << c.what;
        EXPECT_EQ(v.minorVersion, c.expected.minorVersion) << c.what;
        EXPECT_EQ(v.buildNumber, c.expected.buildNumber) << c.what;
        EXPECT_EQ(v.platformId, c.expected.platformId) << c.what;
    }
}

TEST(Version, ZerosWithoutAReadableSoftwareHive) {
    TempFolder root;
    OsVersion none = OfflineSystem(root.Path().string()).GetVersionEx();
    EXPECT_EQ(none.majorVersion + none.minorVersion + none.buildNumber + none.platformId, 0u);

    WriteBytes(root.Path() / "Windows/System32/config/SOFTWARE", std::vector<std::uint8_t>(8192, 0x55));
    OsVersion damaged = OfflineSystem(root.Path().string()).GetVersionEx();
    EXPECT_EQ(damaged.majorVersion + damaged.minorVersion + damaged.buildNumber + damaged.platformId, 0u);
}

// A change whose last write to SOFTWARE lies only in SOFTWARE.LOG1: the version read is the
// one Windows would load, not the one the file alone holds.
TEST(Version, IsReadFromADirtySoftwareHiveAsItsLogsRecoverIt) {
    TempFolder before, after;
    MakeInstallation(before.Path(), {});
    InstallationSpec upgraded;
    upgraded.currentVersion = {{"CurrentVersion", 1, regf::Utf16z("6.0")}, {"CurrentBuildNumber", 1, regf::Utf16z("6002")}};
    MakeInstallation(after.Path(), upgraded);
    const auto software = before.Path() / "Windows/System32/config/SOFTWARE";
    auto old = ReadBytes(software);
    auto dirty = old;
    dirty[4] ^= 0x10;   // the sequence numbers differ: a write began; the checksum is wrong too
    WriteBytes(software, dirty);
    WriteBytes(before.Path() / "Windows/System32/config/SOFTWARE.LOG1",
               regf::WriteLogEntries({old, ReadBytes(after.Path() / "Windows/System32/config/SOFTWARE")}));
    OsVersion v = OfflineSystem(before.Path().string()).GetVersionEx();
    EXPECT_EQ(v.minorVersion, 0u);
    EXPECT_EQ(v.buildNumber, 6002u);
}

TEST(Version, FollowsTheSoftwareHiveWhenItChanges) {
    TempFolder root;
    MakeInstallation(root.Path(), {});
    OfflineSystem system(root.Path().string());
    EXPECT_EQ(system.GetVersionEx().minorVersion, 1u);

    // A new file of another size: the platform notices a change by the file's size and time,
    // and some file systems keep the time to the second only.
    InstallationSpec xp;
    xp.softwareKeys = 300;
    xp.machineHives = {"SOFTWARE"};
    xp.currentVersion = {{"CurrentVersion", 1, regf::Utf16z("5.2")}, {"CurrentBuildNumber", 1, regf::Utf16z("3790")}};
    MakeInstallation(root.Path(), xp);
    OsVersion v = system.GetVersionEx();
    EXPECT_EQ(v.majorVersion, 5u);
    EXPECT_EQ(v.minorVersion, 2u);
    EXPECT_EQ(v.buildNumber, 3790u);
}

TEST(ProfilePaths, EnvironmentVariablesOfTheSystemAreExpanded) {
    struct Case {
        std::string stored;
        std::optional<std::string> expanded;
    };
    const Case cases[] = {
        {"C:\\Users\\alice", "C:\\Users\\alice"},
        {"%SystemDrive%\\Users\\bob", "C:\\Users\\bob"},
        {"%systemroot%\\ServiceProfiles\\LocalService", "C:\\WINNT\\ServiceProfiles\\LocalService"},
        {"%WINDIR%\\x", "C:\\WINNT\\x"},
        {"%USERPROFILE%\\x", std::nullopt},
        {"100% sure", "100% sure"},   // a lone percent sign is text
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandProfilePath(c.stored, "C:\\WINNT"), c.expanded) << c.stored;
}

TEST(Services, WhatTheOfflineWindowsAnswers) {
    TempFolder root;
    OfflineSystem system(root.Path().string());
    bool wow64 = true;
    EXPECT_TRUE(system.IsWow64Process(wow64));
    EXPECT_FALSE(wow64);
    EXPECT_TRUE(system.EnablePrivilege("SeBackupPrivilege", access::TokenAdjustPrivilegesQuery));
    EXPECT_EQ(system.SetRestorePoint({100, 0, 0, "Made by Varnel Kelvara"}), RestorePointOutcome::Failed);
    EXPECT_EQ(system.DecimalSeparator(), '.');
    system.ShellOpen("https://example.org/help");
    EXPECT_EQ(system.LastShellTarget(), "https://example.org/help");
    EXPECT_TRUE(system.ExitWindowsEx(exitflags::Reboot | exitflags::Force, 1));
}

// Where the installation keeps its common application data, as a program on it would find it:
// Explorer's Shell Folders value (translated on a localised XP), else each version's own place.
TEST(Services, TheCommonApplicationDataOfEachWindows) {
    struct Case {
        const char* name;
        const char* version;
        const char* shellFolder;   // Explorer's "Common AppData", or none
        const char* expected;      // below the root
    };
    const Case cases[] = {
        {"Windows 7", "6.1", nullptr, "ProgramData"},
        {"Windows XP", "5.1", nullptr, "Documents and Settings/All Users/Application Data"},
        {"a German XP", "5.1", "C:\\Dokumente und Einstellungen\\All Users\\Anwendungsdaten",
         "Dokumente und Einstellungen/All Users/Anwendungsdaten"},
        {"Windows 10, moved", "6.3", "D:\\ProgramData", ""},   // not on the installation's drive
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder root;
        InstallationSpec spec;
        spec.currentVersion = {{"CurrentVersion", 1, regf::Utf16z(c.version)}, {"CurrentBuildNumber", 1, regf::Utf16z("2600")}};
        MakeInstallation(root.Path(), spec);
        if (c.shellFolder) {
            // SOFTWARE again, with Explorer's key beside what the platform reads.
            regf::KeySpec software = NamedKey("ROOT");
            regf::KeySpec microsoft = NamedKey("Microsoft");
            regf::KeySpec nt = NamedKey("Windows NT");
            regf::KeySpec current = NamedKey("CurrentVersion");
            current.values = spec.currentVersion;
            nt.subkeys.push_back(current);
            regf::KeySpec windows = NamedKey("Windows");
            regf::KeySpec version = NamedKey("CurrentVersion");
            regf::KeySpec explorer = NamedKey("Explorer");
            regf::KeySpec folders = NamedKey("Shell Folders");
            folders.values.push_back({"Common AppData", 1, regf::Utf16z(c.shellFolder)});
            explorer.subkeys.push_back(folders);
            version.subkeys.push_back(explorer);
            windows.subkeys.push_back(version);
            microsoft.subkeys = {windows, nt};
            software.subkeys.push_back(microsoft);
            WriteHive(root.Path() / "Windows/System32/config/SOFTWARE", software);
        }
        OfflineSystem system(root.Path().string());
        const std::string folder = system.CommonAppDataFolder();
        if (*c.expected == 0) {
            EXPECT_EQ(folder, "");
            continue;
        }
        EXPECT_EQ(std::filesystem::path(folder), root.Path() / c.expected);
    }
}

TEST(Services, ClockNeverGoesBack) {
    TempFolder root;
    OfflineSystem system(root.Path().string());
    std::uint32_t first = system.GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::uint32_t second = system.GetTickCount();
    EXPECT_GE(second - first, 20u);

    LocalTime now = system.GetLocalTime();
    EXPECT_GE(now.year, 2020);
    EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.day >= 1 && now.day <= 31);
    EXPECT_TRUE(now.milliseconds >= 0 && now.milliseconds < 1000);
}

TEST(Services, UsShortDateAndLongTimeWhereTheInstallationNamesNone) {
    struct Case {
        LocalTime time;
        std::string text;
    };
    const Case cases[] = {
        {{2026, 12, 7, 7, 35, 4, 0}, "12/7/2026 7:35:04 AM"},
        {{2009, 1, 31, 0, 0, 0, 0}, "1/31/2009 12:00:00 AM"},
        {{2009, 1, 31, 12, 5, 59, 999}, "1/31/2009 12:05:59 PM"},
        {{2010, 6, 1, 23, 59, 9, 0}, "6/1/2010 11:59:09 PM"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatShortDateLongTime(UserLocale{}, c.time), c.text);
}

// The installation's own conventions, from its default user's settings in the DEFAULT hive,
// as GetDateFormat, GetTimeFormat and GetLocaleInfo give them on that Windows.
TEST(Services, DatesTimesAndTheDecimalSeparatorOfTheInstallation) {
    struct Case {
        const char* what;
        std::optional<std::vector<regf::ValueSpec>> international;   // none: no such key
        std::string afternoon, midnight;
        char decimal;
    };
    auto sz = [](const char* name, const std::string& text) { return regf::ValueSpec{name, 1, regf::Utf16z(text)}; };
    const Case cases[] = {
        {"German: day first, 24 hours, no markers, a decimal comma",
         std::vector{sz("sShortDate", "dd.MM.yyyy"), sz("sTimeFormat", "HH:mm:ss"), sz("s1159", ""), sz("s2359", ""),
                     sz("sDecimal", ",")},
         "08.12.2026 15:05:04", "08.12.2026 00:00:00", ','},
        {"Korean: the marker first, in the user's own letters",
         std::vector{sz("sShortDate", "yyyy-MM-dd"), sz("sTimeFormat", "tt h:mm:ss"), sz("s1159", "\uC624\uC804"),
                     sz("s2359", "\uC624\uD6C4")},
         "2026-12-08 \uC624\uD6C4 3:05:04", "2026-12-08 \uC624\uC804 12:00:00", '.'},
        {"no International key: United States English", std::nullopt, "12/8/2026 3:05:04 PM",
         "12/8/2026 12:00:00 AM", '.'},
        {"empty pictures and a two-letter separator: the defaults",
         std::vector{sz("sShortDate", ""), sz("sTimeFormat", ""), sz("sDecimal", ".,")}, "12/8/2026 3:05:04 PM",
         "12/8/2026 12:00:00 AM", '.'},
        {"values of another type are not pictures",
         std::vector{regf::ValueSpec{"sShortDate", 3, {'d', 0, 0, 0}}, sz("sDecimal", ",")}, "12/8/2026 3:05:04 PM",
         "12/8/2026 12:00:00 AM", ','},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder root;
        MakeInstallation(root.Path(), {});
        if (c.international)
            WriteHive(root.Path() / "Windows/System32/config/DEFAULT", InternationalSettings(*c.international));
        OfflineSystem system(root.Path().string());
        EXPECT_EQ(system.FormatShortDateLongTime({2026, 12, 8, 15, 5, 4, 0}), c.afternoon);
        EXPECT_EQ(system.FormatShortDateLongTime({2026, 12, 8, 0, 0, 0, 0}), c.midnight);
        EXPECT_EQ(system.FormatShortDate({2026, 12, 8, 0, 0, 0, 0}), c.midnight.substr(0, c.midnight.find(' ')));
        EXPECT_EQ(system.DecimalSeparator(), c.decimal);
    }
}

// Without a DEFAULT hive the defaults stand.
TEST(Services, NoDefaultHiveMeansUnitedStatesEnglish) {
    TempFolder root;
    MakeInstallation(root.Path(), {});
    fs::remove(root.Path() / "Windows/System32/config/DEFAULT");
    OfflineSystem system(root.Path().string());
    EXPECT_EQ(system.FormatShortDateLongTime({2026, 12, 8, 15, 5, 4, 0}), "12/8/2026 3:05:04 PM");
    EXPECT_EQ(system.DecimalSeparator(), '.');
}

}  // namespace
}  // namespace kelvara::platform::offline::testing
