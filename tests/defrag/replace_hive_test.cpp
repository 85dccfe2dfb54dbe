// ReplaceHive: which key a hive path names, the old backup deleted first, the registry's answer;
// and the restart request with its privilege.
#include <gtest/gtest.h>

#include "defrag/restart.h"
#include "defrag_fixture.h"

namespace kelvara::defrag::testing {
namespace {

struct KeyCase {
    const char* hivePath;
    RootKey root;
    const char* subKey;
};

TEST(ReplacementKeyOf, FindsEitherPrefixAnywhereAndKeepsTheSubKeysOwnSpelling) {
    const KeyCase cases[] = {
        {"\\REGISTRY\\MACHINE\\SOFTWARE", RootKey::LocalMachine, "SOFTWARE"},
        {"\\REGISTRY\\MACHINE\\SYSTEM", RootKey::LocalMachine, "SYSTEM"},
        {"\\REGISTRY\\USER\\.DEFAULT", RootKey::Users, ".DEFAULT"},
        {"\\Registry\\User\\S-1-5-19", RootKey::Users, "S-1-5-19"},
        {"\\registry\\machine\\Sam", RootKey::LocalMachine, "Sam"},
        {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes", RootKey::Users, "S-1-5-21-1-2-3-1001_Classes"},
        // Not only at the start; the machine prefix wins over the user prefix.
        {"XX\\REGISTRY\\USER\\A\\REGISTRY\\MACHINE\\B", RootKey::LocalMachine, "B"},
        {"REGISTRY\\MACHINE\\", RootKey::LocalMachine, ""},
        // Neither: HKEY_USERS with no sub-key.
        {"\\REGISTRY\\MACHINE", RootKey::Users, ""},
        {"C:\\Windows\\System32\\config\\SYSTEM", RootKey::Users, ""},
        {"", RootKey::Users, ""},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.hivePath);
        const ReplacementKey key = ReplacementKeyOf(c.hivePath);
        EXPECT_EQ(key.root, c.root);
        EXPECT_EQ(key.subKey, c.subKey);
    }
}

class ReplaceHiveTest : public DefragFixture {};

TEST_F(ReplaceHiveTest, AnOldBackupIsDeletedBeforeTheRequest) {
    AddHiveWithCopy(kSystemHive);
    const std::string file = kSystemHive.file;
    system_.AddFile(file + ".bak", 1000);
    const auto hive = system_.IdentityOf(file), copy = system_.IdentityOf(file + ".kvf");
    EXPECT_TRUE(ReplaceHive(system_, kSystemHive.hivePath, file + ".kvf", file + ".bak"));
    EXPECT_EQ(CommandCalls(), (std::vector<std::string>{"DeleteFile " + file + ".bak",
                                                        "RegReplaceKey HKLM\\SYSTEM " + file + ".kvf " + file + ".bak"}));
    // The call renamed at once: the old backup is gone, the hive is the backup, the copy the hive.
    EXPECT_EQ(system_.IdentityOf(file + ".bak"), hive);
    EXPECT_EQ(system_.IdentityOf(file), copy);
    EXPECT_FALSE(system_.HasFile(file + ".kvf"));
}

TEST_F(ReplaceHiveTest, ABackupThatCannotBeDeletedIsStillHandedOverAndTheRegistryDecides) {
    AddHiveWithCopy(kSystemHive);
    const std::string file = kSystemHive.file;
    system_.AddFile(file + ".bak", 1000);
    system_.SetDeleteFails(file + ".bak");
    ReplaceHive(system_, kSystemHive.hivePath, file + ".kvf", file + ".bak");
    EXPECT_EQ(system_.ReplaceCalls().size(), 1u);
}

TEST_F(ReplaceHiveTest, TheAnswerIsTheRegistrysAnswer) {
    AddHiveWithCopy(kSystemHive);
    const std::string file = kSystemHive.file;
    EXPECT_TRUE(ReplaceHive(system_, "\\registry\\machine\\system", file + ".kvf", file + ".bak"));
    // A path with neither prefix reaches the registry as HKEY_USERS with no sub-key, which fails.
    EXPECT_FALSE(ReplaceHive(system_, "\\SOMEWHERE\\SYSTEM", file + ".kvf", file + ".bak"));
    system_.SetReplaceStatus(RootKey::LocalMachine, "SYSTEM", platform::status::AccessDenied);
    EXPECT_EQ(ReplaceHiveStatus(system_, kSystemHive.hivePath, file + ".kvf", file + ".bak"),
              platform::status::AccessDenied);
    const std::vector<platform::fake::ReplaceCall> calls = system_.ReplaceCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].subKey, "system");
    EXPECT_EQ(calls[1].root, RootKey::Users);
    EXPECT_EQ(calls[1].subKey, "");
}

TEST_F(ReplaceHiveTest, RestartAsksWithTheShutdownRightAndTheMaintenanceReason) {
    EXPECT_TRUE(RestartComputer(system_, true));
    EXPECT_TRUE(RestartComputer(system_, false));
    system_.SetInteractiveSession(false);
    EXPECT_TRUE(RestartComputer(system_, true));
    EXPECT_TRUE(RestartComputer(system_, false));
    EXPECT_EQ(CommandCalls(), (std::vector<std::string>{"EnablePrivilege SeShutdownPrivilege 0x28", "ExitWindowsEx 6 1",
                                                        "EnablePrivilege SeShutdownPrivilege 0x28", "ExitWindowsEx 2 1",
                                                        "EnablePrivilege SeShutdownPrivilege 0x28",
                                                        "InitiateSystemShutdown force=1 1",
                                                        "EnablePrivilege SeShutdownPrivilege 0x28",
                                                        "InitiateSystemShutdown force=0 1"}));
}

TEST_F(ReplaceHiveTest, WithoutTheShutdownRightTheRestartIsStillAskedForAndItsRefusalAnswered) {
    system_.SetPrivilegeResult("SeShutdownPrivilege", false);
    system_.SetExitWindowsResult(false);
    EXPECT_FALSE(RestartComputer(system_, true));
    EXPECT_EQ(CommandCalls().back(), "ExitWindowsEx 6 1");
    EXPECT_TRUE(headless_->MessageBoxes().empty());
}

}  // namespace
}  // namespace kelvara::defrag::testing
