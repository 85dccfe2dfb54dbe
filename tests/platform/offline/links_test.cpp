// An installation folder may come from any machine, and the program runs as root: symbolic links
// in it never take a read, a write, a rename or a deletion out of the folder, nothing is written
// through a link at all, and a hive with a second hard link is not replaced.
#include <gtest/gtest.h>

#include <functional>

#include "installation_builder.h"
#include "platform/offline/offline_system.h"

#ifndef _WIN32   // links on Windows need a privilege the tests do not have

namespace kelvara::platform::offline::testing {
namespace {
namespace fs = std::filesystem;

constexpr const char* kAliceSid = "S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr const char* kConfig = "C:\\Windows\\System32\\config\\";

InstallationSpec WithAlice() {
    InstallationSpec layout;
    layout.users = {{kAliceSid, "%SystemDrive%\\Users\\alice", "Users/alice"}};
    return layout;
}

bool Listed(System& system, RootKey root, const std::string& subKey) {
    KeyHandle key = 0;
    const bool opened = system.RegOpenKey(root, subKey, key) == status::Success;
    if (opened) system.RegCloseKey(key);
    return opened;
}

long Save(System& system, RootKey root, const std::string& subKey, const std::string& target) {
    KeyHandle key = 0;
    if (system.RegOpenKey(root, subKey, key) != status::Success) return -1;
    const long result = system.RegSaveKey(key, target);
    system.RegCloseKey(key);
    return result;
}

class Links : public ::testing::Test {
protected:
    void SetUp() override { MakeInstallation(root.Path(), WithAlice()); }
    fs::path Config(const std::string& name) const { return root.Path() / "Windows/System32/config" / name; }

    TempFolder root;
    TempFolder outside;
};

TEST_F(Links, HivesThatALinkTakesOutOfTheFolderAreNotListed) {
    // Alice's profile folder and the SAM hive lead elsewhere; SECURITY is a link that stays inside.
    fs::rename(root.Path() / "Users/alice", outside.Path() / "alice");
    fs::create_directory_symlink(outside.Path() / "alice", root.Path() / "Users/alice");
    fs::rename(Config("SAM"), outside.Path() / "SAM");
    fs::create_symlink(outside.Path() / "SAM", Config("SAM"));
    fs::rename(Config("SECURITY"), root.Path() / "SECURITY.real");
    fs::create_symlink(root.Path() / "SECURITY.real", Config("SECURITY"));

    OfflineSystem system(root.Path().string());
    EXPECT_FALSE(Listed(system, RootKey::Users, kAliceSid));
    EXPECT_FALSE(Listed(system, RootKey::LocalMachine, "SAM"));
    EXPECT_TRUE(Listed(system, RootKey::LocalMachine, "SECURITY"));
    EXPECT_TRUE(Listed(system, RootKey::LocalMachine, "SYSTEM"));
    // Files reached through the outward links do not exist for the presented Windows.
    EXPECT_FALSE(system.FileExists("C:\\Users\\alice\\NTUSER.DAT"));
    EXPECT_FALSE(system.DeleteFile(std::string(kConfig) + "SAM"));
    EXPECT_TRUE(fs::exists(outside.Path() / "SAM"));
    std::int64_t size = 0;
    EXPECT_FALSE(system.FindFirstFileSize(std::string(kConfig) + "SAM", 0, size));
}

TEST_F(Links, ACopyIsNeverWrittenThroughALink) {
    OfflineSystem system(root.Path().string());
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::string target;
        long expected;
        fs::path mustNotExist;
    } cases[] = {
        {"dangling link to a file outside",
         [&] { fs::create_symlink(outside.Path() / "planted", Config("SYSTEM.kvf")); },
         std::string(kConfig) + "SYSTEM.kvf", status::AlreadyExists, outside.Path() / "planted"},
        {"folder that is a link to a folder outside",
         [&] { fs::create_directory_symlink(outside.Path(), root.Path() / "Out"); },
         "C:\\Out\\SYSTEM.kvf", status::PathNotFound, outside.Path() / "SYSTEM.kvf"},
        {"folder that is a link inside the folder",
         [&] {
             fs::create_directory(root.Path() / "Real");
             fs::create_directory_symlink(root.Path() / "Real", root.Path() / "Alias");
         },
         "C:\\Alias\\SYSTEM.kvf", status::AccessDenied, root.Path() / "Real/SYSTEM.kvf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        EXPECT_EQ(Save(system, RootKey::LocalMachine, "SYSTEM", c.target), c.expected);
        EXPECT_FALSE(fs::exists(c.mustNotExist));
    }
    // Without links the same save works.
    EXPECT_EQ(Save(system, RootKey::LocalMachine, "SYSTEM", std::string(kConfig) + "SYSTEM.copy"), status::Success);
}

TEST_F(Links, AHiveWithASecondHardLinkIsNotReplaced) {
    OfflineSystem system(root.Path().string());
    for (const char* hive : {"SYSTEM", "SOFTWARE"})
        ASSERT_EQ(Save(system, RootKey::LocalMachine, hive, std::string(kConfig) + hive + ".kvf"), status::Success);
    fs::create_hard_link(Config("SYSTEM"), outside.Path() / "SYSTEM.other");
    EXPECT_EQ(system.RegReplaceKey(RootKey::LocalMachine, "SYSTEM", std::string(kConfig) + "SYSTEM.kvf",
                                   std::string(kConfig) + "SYSTEM.bak"),
              status::AccessDenied);

    // The call looks again for each hive: a link made since the first call is found too.
    fs::create_hard_link(Config("SOFTWARE"), outside.Path() / "SOFTWARE.other");
    const long status = system.RegReplaceKey(RootKey::LocalMachine, "SOFTWARE", std::string(kConfig) + "SOFTWARE.kvf",
                                             std::string(kConfig) + "SOFTWARE.bak");
    EXPECT_EQ(status, status::AccessDenied);
    const std::string reason = system.ErrorText(status);
    EXPECT_NE(reason.find("SOFTWARE has other hard links"), std::string::npos) << reason;
    EXPECT_FALSE(fs::exists(Config("SOFTWARE.bak")));
    EXPECT_FALSE(fs::exists(Config("SYSTEM.bak")));
}

// The date conventions come from the DEFAULT hive; one that a link takes out of the folder is
// not read, the same hive inside is.
TEST_F(Links, ALocaleFromOutsideTheFolderIsNotRead) {
    WriteHive(outside.Path() / "DEFAULT", InternationalSettings({{"sShortDate", 1, regf::Utf16z("dd.MM.yyyy")}}));
    fs::remove(Config("DEFAULT"));
    fs::create_symlink(outside.Path() / "DEFAULT", Config("DEFAULT"));
    {
        OfflineSystem system(root.Path().string());
        EXPECT_EQ(system.FormatShortDate({2026, 12, 8, 0, 0, 0, 0}), "12/8/2026");
    }
    fs::remove(Config("DEFAULT"));
    fs::copy_file(outside.Path() / "DEFAULT", Config("DEFAULT"));
    OfflineSystem system(root.Path().string());
    EXPECT_EQ(system.FormatShortDate({2026, 12, 8, 0, 0, 0, 0}), "08.12.2026");
}

}  // namespace
}  // namespace kelvara::platform::offline::testing

#endif
