// The list of loaded hives made from the files of the installation, and the keys that open.
#include <gtest/gtest.h>

#include "installation_builder.h"
#include "platform/offline/offline_system.h"

namespace kelvara::platform::offline::testing {
namespace {
namespace fs = std::filesystem;

constexpr const char* kHiveList = "SYSTEM\\CurrentControlSet\\Control\\hivelist";
constexpr const char* kAliceSid = "S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr const char* kBobSid = "S-1-5-21-1004336348-1177238915-682003330-1002";

struct Entry {
    std::string name;
    std::string data;
};

// Every value of the hive list, read the way the catalogue reads it.
std::vector<Entry> ReadHiveList(System& system) {
    KeyHandle key = 0;
    EXPECT_EQ(system.RegOpenKeyEx(RootKey::LocalMachine, kHiveList, access::KeyAllAccess, key), status::Success);
    std::uint32_t count = 0, longest = 0;
    EXPECT_EQ(system.RegQueryInfoKey(key, count, longest), status::Success);
    std::vector<Entry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string name;
        EXPECT_EQ(system.RegEnumValueName(key, i, longest + 1, name), status::Success) << i;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        EXPECT_EQ(system.RegQueryValueEx(key, name, type, data), status::Success) << name;
        EXPECT_EQ(type, regtype::Sz) << name;
        EXPECT_TRUE(!data.empty() && data.back() == 0) << name << ": data must end with its zero";
        entries.push_back({name, std::string(data.begin(), std::find(data.begin(), data.end(), 0))});
    }
    EXPECT_EQ(system.RegCloseKey(key), status::Success);
    return entries;
}

InstallationSpec TwoUsers() {
    InstallationSpec layout;
    layout.users = {
        {"S-1-5-18", "%systemroot%\\system32\\config\\systemprofile", "Windows/System32/config/systemprofile"},
        {"S-1-5-19", "%SystemRoot%\\ServiceProfiles\\LocalService", "Windows/ServiceProfiles/LocalService", true,
         false},
        {kAliceSid, "C:\\Users\\alice", "Users/Alice"},
        {kBobSid, "%SystemDrive%\\Users\\bob", "Users/bob", true, false},
    };
    return layout;
}

TEST(HiveList, ListsTheHivesOfTheInstallationInWindowsOrder) {
    TempFolder root;
    MakeInstallation(root.Path(), TwoUsers());
    OfflineSystem system(root.Path().string());

    const std::string config = "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\";
    const std::vector<Entry> expected = {
        {"\\REGISTRY\\MACHINE\\HARDWARE", ""},
        {"\\REGISTRY\\MACHINE\\SYSTEM", config + "SYSTEM"},
        {"\\REGISTRY\\MACHINE\\SOFTWARE", config + "SOFTWARE"},
        {"\\REGISTRY\\USER\\.DEFAULT", config + "DEFAULT"},
        {"\\REGISTRY\\MACHINE\\SECURITY", config + "SECURITY"},
        {"\\REGISTRY\\MACHINE\\SAM", config + "SAM"},
        {"\\REGISTRY\\USER\\S-1-5-19",
         "\\Device\\HarddiskVolume1\\Windows\\ServiceProfiles\\LocalService\\NTUSER.DAT"},
        {std::string("\\REGISTRY\\USER\\") + kAliceSid, "\\Device\\HarddiskVolume1\\Users\\Alice\\NTUSER.DAT"},
        {std::string("\\REGISTRY\\USER\\") + kAliceSid + "_Classes",
         "\\Device\\HarddiskVolume1\\Users\\Alice\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"},
        {std::string("\\REGISTRY\\USER\\") + kBobSid, "\\Device\\HarddiskVolume1\\Users\\bob\\NTUSER.DAT"},
    };
    std::vector<Entry> entries = ReadHiveList(system);
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].name, expected[i].name) << i;
        EXPECT_EQ(entries[i].data, expected[i].data) << i;
    }
}

TEST(HiveList, DeviceFormKeepsTheCaseFoundOnDisk) {
    TempFolder root;
    InstallationSpec layout;
    layout.configFolder = "WINDOWS/system32/CONFIG";
    layout.machineHives = {"system", "Software", "SAM"};
    layout.users = {{kAliceSid, "C:\\USERS\\ALICE", "users/Alice"}};
    MakeInstallation(root.Path(), layout);
    OfflineSystem system(root.Path().string());

    std::vector<Entry> entries = ReadHiveList(system);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[1].data, "\\Device\\HarddiskVolume1\\WINDOWS\\system32\\CONFIG\\system");
    EXPECT_EQ(entries[2].data, "\\Device\\HarddiskVolume1\\WINDOWS\\system32\\CONFIG\\Software");
    EXPECT_EQ(entries[3].name, "\\REGISTRY\\MACHINE\\SAM");
    EXPECT_EQ(entries[4].data, "\\Device\\HarddiskVolume1\\users\\Alice\\NTUSER.DAT");
    EXPECT_EQ(entries[5].name, std::string("\\REGISTRY\\USER\\") + kAliceSid + "_Classes");
}

TEST(HiveList, MissingFilesAreLeftOut) {
    struct Case {
        const char* what;
        std::vector<std::string> machineHives;
        std::vector<UserProfile> users;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"no hive files at all", {}, {}, {"\\REGISTRY\\MACHINE\\HARDWARE"}},
        {"no SOFTWARE, so no profiles either",
         {"SYSTEM", "SAM"},
         {{kAliceSid, "C:\\Users\\alice", "Users/alice"}},
         {"\\REGISTRY\\MACHINE\\HARDWARE", "\\REGISTRY\\MACHINE\\SYSTEM", "\\REGISTRY\\MACHINE\\SAM"}},
        {"a profile without hive files",
         {"SOFTWARE"},
         {{kAliceSid, "C:\\Users\\alice", "Users/alice", false, false}},
         {"\\REGISTRY\\MACHINE\\HARDWARE", "\\REGISTRY\\MACHINE\\SOFTWARE"}},
        {"a profile on another drive or with an unknown variable",
         {"SOFTWARE"},
         {{kAliceSid, "D:\\Users\\alice", "Users/alice"}, {kBobSid, "%USERPROFILE%\\x", "Users/bob"}},
         {"\\REGISTRY\\MACHINE\\HARDWARE", "\\REGISTRY\\MACHINE\\SOFTWARE"}},
    };
    for (const Case& c : cases) {
        TempFolder root;
        InstallationSpec layout;
        layout.machineHives = c.machineHives;
        layout.users = c.users;
        MakeInstallation(root.Path(), layout);
        OfflineSystem system(root.Path().string());
        std::vector<std::string> names;
        for (const Entry& e : ReadHiveList(system)) names.push_back(e.name);
        EXPECT_EQ(names, c.names) << c.what;
    }
}

// A Windows 10 installation as copied from a real machine: the newer machine hives, the boot
// configuration store, both service accounts (NetworkService's missing from ProfileList, as
// it may be), users, and a user whose profile folder was deleted.
TEST(HiveList, FindsEveryHiveOfARealInstallation) {
    constexpr const char* kCarolSid = "S-1-5-21-1004336348-1177238915-682003330-1003";
    struct Case {
        const char* what;
        const char* bcdPlace;   // below the root; nullptr for none
        std::string bcdDevice;
    } cases[] = {
        {"UEFI", "EFI/Microsoft/Boot/BCD", "\\Device\\HarddiskVolume1\\EFI\\Microsoft\\Boot\\BCD"},
        {"BIOS, boot folder in another letter case", "boot/BCD", "\\Device\\HarddiskVolume1\\boot\\BCD"},
        {"system partition not copied", nullptr, ""},
    };
    for (const Case& c : cases) {
        TempFolder root;
        InstallationSpec layout;
        layout.machineHives = {"SYSTEM", "SOFTWARE", "DEFAULT", "SECURITY", "SAM", "COMPONENTS", "ELAM", "DRIVERS"};
        layout.users = {
            {"S-1-5-18", "%systemroot%\\system32\\config\\systemprofile", "Windows/System32/config/systemprofile"},
            {"S-1-5-19", "%systemroot%\\ServiceProfiles\\LocalService", "Windows/ServiceProfiles/LocalService", true,
             false},
            {kAliceSid, "C:\\Users\\alice", "Users/alice"},
            {kCarolSid, "C:\\Users\\carol", "Users/carol"},
        };
        MakeInstallation(root.Path(), layout);
        fs::remove_all(root.Path() / "Users/carol");
        fs::create_directories(root.Path() / "Windows/ServiceProfiles/NetworkService");
        WriteHive(root.Path() / "Windows/ServiceProfiles/NetworkService/NTUSER.DAT", SampleHive("S-1-5-20", 10));
        if (c.bcdPlace) {
            fs::create_directories((root.Path() / c.bcdPlace).parent_path());
            WriteHive(root.Path() / c.bcdPlace, SampleHive("BCD", 10));
        }
        OfflineSystem system(root.Path().string());

        const std::string config = "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\";
        std::vector<Entry> expected = {
            {"\\REGISTRY\\MACHINE\\HARDWARE", ""},
            {"\\REGISTRY\\MACHINE\\SYSTEM", config + "SYSTEM"},
            {"\\REGISTRY\\MACHINE\\BCD00000000", c.bcdDevice},
            {"\\REGISTRY\\MACHINE\\SOFTWARE", config + "SOFTWARE"},
            {"\\REGISTRY\\USER\\.DEFAULT", config + "DEFAULT"},
            {"\\REGISTRY\\MACHINE\\SECURITY", config + "SECURITY"},
            {"\\REGISTRY\\MACHINE\\SAM", config + "SAM"},
            {"\\REGISTRY\\USER\\S-1-5-20",
             "\\Device\\HarddiskVolume1\\Windows\\ServiceProfiles\\NetworkService\\NTUSER.DAT"},
            {"\\REGISTRY\\USER\\S-1-5-19",
             "\\Device\\HarddiskVolume1\\Windows\\ServiceProfiles\\LocalService\\NTUSER.DAT"},
            {std::string("\\REGISTRY\\USER\\") + kAliceSid, "\\Device\\HarddiskVolume1\\Users\\alice\\NTUSER.DAT"},
            {std::string("\\REGISTRY\\USER\\") + kAliceSid + "_Classes",
             "\\Device\\HarddiskVolume1\\Users\\alice\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"},
            {"\\REGISTRY\\MACHINE\\DRIVERS", config + "DRIVERS"},
            {"\\REGISTRY\\MACHINE\\ELAM", config + "ELAM"},
            {"\\REGISTRY\\MACHINE\\COMPONENTS", config + "COMPONENTS"},
        };
        if (!c.bcdPlace) expected.erase(expected.begin() + 2);
        std::vector<Entry> entries = ReadHiveList(system);
        ASSERT_EQ(entries.size(), expected.size()) << c.what;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(entries[i].name, expected[i].name) << c.what << " " << i;
            EXPECT_EQ(entries[i].data, expected[i].data) << c.what << " " << i;
        }
        // Each of them can be saved, the way the program makes its copies.
        for (const Entry& e : entries) {
            if (e.data.empty()) continue;
            const bool user = e.name.rfind("\\REGISTRY\\USER\\", 0) == 0;
            std::string subKey = e.name.substr(user ? 15 : 18);
            KeyHandle key = 0;
            ASSERT_EQ(system.RegOpenKey(user ? RootKey::Users : RootKey::LocalMachine, subKey, key), status::Success)
                << c.what << " " << e.name;
            std::string copy = "C:" + e.data.substr(std::string("\\Device\\HarddiskVolume1").size()) + ".kvf";
            EXPECT_EQ(system.RegSaveKey(key, copy), status::Success) << c.what << " " << copy;
            system.RegCloseKey(key);
        }
    }
}

TEST(HiveList, EnumerationHonoursTheNameBuffer) {
    TempFolder root;
    MakeInstallation(root.Path(), TwoUsers());
    OfflineSystem system(root.Path().string());
    KeyHandle key = 0;
    ASSERT_EQ(system.RegOpenKey(RootKey::LocalMachine, "system\\currentcontrolset\\CONTROL\\HiveList", key), 0);

    const std::string sam = "\\REGISTRY\\MACHINE\\SAM";   // index 5, 21 characters
    struct Case {
        std::uint32_t index;
        std::uint32_t bufferChars;
        long status;
    };
    const Case cases[] = {
        {5, 22, status::Success},      // the name and its zero
        {5, 21, status::MoreData},     // no room for the zero
        {5, 1, status::MoreData},
        {5, 0, status::MoreData},
        {10, 300, status::NoMoreItems},
        {1000, 300, status::NoMoreItems},
    };
    for (const Case& c : cases) {
        std::string name;
        EXPECT_EQ(system.RegEnumValueName(key, c.index, c.bufferChars, name), c.status) << c.index << "/" << c.bufferChars;
        if (c.status == status::Success) {
            EXPECT_EQ(name, sam);
        }
    }

    std::uint32_t count = 0, longest = 0;
    ASSERT_EQ(system.RegQueryInfoKey(key, count, longest), status::Success);
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(longest, std::string("\\REGISTRY\\USER\\").size() + std::string(kAliceSid).size() + 8);

    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(system.RegQueryValueEx(key, "\\registry\\machine\\hardware", type, data), status::Success);
    EXPECT_EQ(type, regtype::Sz);
    EXPECT_EQ(data, std::vector<std::uint8_t>{0});
    EXPECT_EQ(system.RegQueryValueEx(key, "\\REGISTRY\\MACHINE\\BCD00000000", type, data), status::FileNotFound);
    EXPECT_EQ(system.RegCloseKey(key), status::Success);
}

TEST(HiveList, KeysThatOpenAndKeysThatDoNot) {
    TempFolder root;
    MakeInstallation(root.Path(), TwoUsers());
    OfflineSystem system(root.Path().string());
    struct Case {
        RootKey root;
        std::string subKey;
        long status;
    };
    const Case cases[] = {
        {RootKey::LocalMachine, kHiveList, status::Success},
        {RootKey::LocalMachine, "SYSTEM", status::Success},
        {RootKey::LocalMachine, "software", status::Success},
        {RootKey::LocalMachine, "Sam", status::Success},
        {RootKey::LocalMachine, "SECURITY", status::Success},
        {RootKey::Users, ".default", status::Success},
        {RootKey::Users, kAliceSid, status::Success},
        {RootKey::Users, std::string(kAliceSid) + "_classes", status::Success},
        {RootKey::Users, "S-1-5-19", status::Success},
        {RootKey::Users, "S-1-5-19_Classes", status::FileNotFound},   // that profile has no UsrClass.dat
        {RootKey::Users, "S-1-5-18", status::FileNotFound},
        {RootKey::LocalMachine, "HARDWARE", status::FileNotFound},
        {RootKey::LocalMachine, ".DEFAULT", status::FileNotFound},    // a user hive, not a machine one
        {RootKey::Users, "SOFTWARE", status::FileNotFound},
        {RootKey::Users, kHiveList, status::FileNotFound},
        {RootKey::LocalMachine, "SOFTWARE\\Microsoft", status::FileNotFound},
        {RootKey::LocalMachine, "", status::FileNotFound},
    };
    for (const Case& c : cases) {
        KeyHandle key = 99;
        EXPECT_EQ(system.RegOpenKeyEx(c.root, c.subKey, access::KeyQueryValue | access::KeyWow64_64Key, key), c.status)
            << c.subKey;
        if (c.status == status::Success) {
            EXPECT_NE(key, 0u);
            EXPECT_EQ(system.RegCloseKey(key), status::Success);
        } else {
            EXPECT_EQ(key, 0u) << c.subKey;
        }
    }
}

TEST(HiveList, UnknownAndClosedHandlesAreInvalid) {
    TempFolder root;
    MakeInstallation(root.Path(), {});
    OfflineSystem system(root.Path().string());
    KeyHandle key = 0;
    ASSERT_EQ(system.RegOpenKey(RootKey::LocalMachine, kHiveList, key), status::Success);
    ASSERT_EQ(system.RegCloseKey(key), status::Success);

    for (KeyHandle handle : {key, KeyHandle(0), KeyHandle(12345)}) {
        std::uint32_t count = 0, longest = 0, type = 0;
        std::string name;
        std::vector<std::uint8_t> data;
        EXPECT_EQ(system.RegQueryInfoKey(handle, count, longest), status::InvalidHandle);
        EXPECT_EQ(system.RegEnumValueName(handle, 0, 100, name), status::InvalidHandle);
        EXPECT_EQ(system.RegQueryValueEx(handle, "x", type, data), status::InvalidHandle);
        EXPECT_EQ(system.RegSaveKey(handle, "C:\\copy"), status::InvalidHandle);
        EXPECT_EQ(system.RegCloseKey(handle), status::InvalidHandle);
    }
    EXPECT_FALSE(fs::exists(root.Path() / "copy"));
}

TEST(HiveList, AHiveRootShowsItsOwnValues) {
    TempFolder root;
    MakeInstallation(root.Path(), {});
    OfflineSystem system(root.Path().string());
    KeyHandle key = 0;
    ASSERT_EQ(system.RegOpenKey(RootKey::LocalMachine, "SYSTEM", key), status::Success);
    std::uint32_t count = 0, longest = 0, type = 0;
    ASSERT_EQ(system.RegQueryInfoKey(key, count, longest), status::Success);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(longest, 9u);
    std::vector<std::uint8_t> data;
    ASSERT_EQ(system.RegQueryValueEx(key, "rootvalue", type, data), status::Success);
    EXPECT_EQ(type, regtype::Sz);
    std::string text = "SYSTEM-ROOT root";
    text.push_back('\0');
    EXPECT_EQ(std::string(data.begin(), data.end()), text);
    EXPECT_EQ(system.RegCloseKey(key), status::Success);
}

}  // namespace
}  // namespace kelvara::platform::offline::testing
