// SaveHiveCopy against the scripted system: which open is used for which hive path, that an old
// target is deleted after the open whatever its outcome, and that the key is always closed.
#include <gtest/gtest.h>

#include "hive/snapshot.h"
#include "platform/fake/scripted_system.h"

namespace kelvara::hive {
namespace {

using platform::RootKey;
using platform::fake::ScriptedSystem;
using platform::fake::SaveScript;
using Log = std::vector<std::string>;

const std::string Target = "C:\\WINDOWS\\system32\\config\\HIVE.kvf";

struct SaveCase {
    const char* name;
    std::string hivePath;
    bool use64BitView;
    RootKey root;
    std::string subKey;     // as the key is scripted and as the open must pass it
    std::string openLine;   // the open the call log must show
};

class SaveHiveCopyTest : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveHiveCopyTest, OpensTheRightKeyDeletesTheOldCopyAndCloses) {
    const SaveCase& c = GetParam();
    ScriptedSystem system;
    system.AddKey(c.root, c.subKey);
    system.AddFile(Target, 777);   // a copy from an earlier run
    system.SetSaveScript(c.root, c.subKey, SaveScript{platform::status::Success, 4096});

    EXPECT_TRUE(SaveHiveCopy(system, c.hivePath, Target, c.use64BitView));
    const std::string shown = (c.root == RootKey::LocalMachine ? "HKLM\\" : "HKU\\") + c.subKey;
    EXPECT_EQ(system.CallLog(), (Log{c.openLine, "DeleteFile " + Target,
                                     "RegSaveKey " + c.subKey + " -> " + Target,
                                     "RegCloseKey " + shown}));
    EXPECT_EQ(system.FileSize(Target), 4096);   // the new copy, not the old one
    EXPECT_EQ(system.OpenKeyCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    HivePaths, SaveHiveCopyTest,
    ::testing::Values(
        SaveCase{"system_plain", "\\REGISTRY\\MACHINE\\SYSTEM", false, RootKey::LocalMachine, "SYSTEM",
                 "RegOpenKey HKLM\\SYSTEM -> 0"},
        SaveCase{"system_64bit_view", "\\REGISTRY\\MACHINE\\SYSTEM", true, RootKey::LocalMachine,
                 "SYSTEM", "RegOpenKeyEx HKLM\\SYSTEM 0x101 -> 0"},
        SaveCase{"software_64bit_view", "\\REGISTRY\\MACHINE\\SOFTWARE", true, RootKey::LocalMachine,
                 "SOFTWARE", "RegOpenKeyEx HKLM\\SOFTWARE 0x101 -> 0"},
        SaveCase{"software_32bit", "\\REGISTRY\\MACHINE\\SOFTWARE", false, RootKey::LocalMachine,
                 "SOFTWARE", "RegOpenKey HKLM\\SOFTWARE -> 0"},
        SaveCase{"default_user_64bit_view", "\\REGISTRY\\USER\\.DEFAULT", true, RootKey::Users, ".DEFAULT",
                 "RegOpenKeyEx HKU\\.DEFAULT 0x101 -> 0"},
        SaveCase{"default_user_32bit", "\\REGISTRY\\USER\\.DEFAULT", false, RootKey::Users, ".DEFAULT",
                 "RegOpenKey HKU\\.DEFAULT -> 0"},
        SaveCase{"mixed_case_user", "\\Registry\\User\\S-1-5-19", false, RootKey::Users, "S-1-5-19",
                 "RegOpenKey HKU\\S-1-5-19 -> 0"},
        SaveCase{"mixed_case_machine_keeps_case", "\\Registry\\Machine\\Sam", true,
                 RootKey::LocalMachine, "Sam", "RegOpenKeyEx HKLM\\Sam 0x101 -> 0"},
        SaveCase{"software_in_lower_case_64bit", "\\registry\\machine\\software", true,
                 RootKey::LocalMachine, "software", "RegOpenKeyEx HKLM\\software 0x101 -> 0"},
        SaveCase{"software_anywhere_in_machine_path", "\\REGISTRY\\MACHINE\\MYSOFTWAREHIVE", true,
                 RootKey::LocalMachine, "MYSOFTWAREHIVE", "RegOpenKeyEx HKLM\\MYSOFTWAREHIVE 0x101 -> 0"},
        SaveCase{"user_classes_64bit_view", "\\REGISTRY\\USER\\S-1-5-21-7_Classes", true,
                 RootKey::Users, "S-1-5-21-7_Classes", "RegOpenKeyEx HKU\\S-1-5-21-7_Classes 0x101 -> 0"},
        SaveCase{"prefix_found_anywhere", "X:REGISTRY\\MACHINE\\SYSTEM", false, RootKey::LocalMachine,
                 "SYSTEM", "RegOpenKey HKLM\\SYSTEM -> 0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveHiveCopyFailures, FailedOpenStillDeletesTheOldCopyAndSavesNothing) {
    ScriptedSystem system;
    system.AddFile(Target, 777);
    system.SetOpenStatus(RootKey::LocalMachine, "SECURITY", platform::status::AccessDenied);
    EXPECT_FALSE(SaveHiveCopy(system, "\\REGISTRY\\MACHINE\\SECURITY", Target, false));
    EXPECT_EQ(system.CallLog(), (Log{"RegOpenKey HKLM\\SECURITY -> 5", "DeleteFile " + Target}));
    EXPECT_FALSE(system.HasFile(Target));
}

TEST(SaveHiveCopyFailures, FailedSaveClosesTheKeyAndLeavesNoCopy) {
    ScriptedSystem system;
    system.AddKey(RootKey::LocalMachine, "SAM");
    system.AddFile(Target, 777);
    system.SetSaveScript(RootKey::LocalMachine, "SAM", SaveScript{platform::status::PrivilegeNotHeld, 0});
    EXPECT_FALSE(SaveHiveCopy(system, "\\REGISTRY\\MACHINE\\SAM", Target, false));
    EXPECT_EQ(system.CallLog(), (Log{"RegOpenKey HKLM\\SAM -> 0", "DeleteFile " + Target,
                                     "RegSaveKey SAM -> " + Target, "RegCloseKey HKLM\\SAM"}));
    EXPECT_FALSE(system.HasFile(Target));
    EXPECT_EQ(system.OpenKeyCount(), 0u);
}

TEST(SaveHiveCopyFailures, PathWithoutPrefixOpensNothingButDeletesTheTarget) {
    ScriptedSystem system;
    system.AddFile(Target, 777);
    EXPECT_FALSE(SaveHiveCopy(system, "\\REGISTRY\\A\\HARDWARE", Target, true));
    EXPECT_EQ(system.CallLog(), (Log{"DeleteFile " + Target}));
    EXPECT_FALSE(system.HasFile(Target));
}

TEST(SaveHiveCopyFailures, NoDeletionWhenThereIsNoOldCopy) {
    ScriptedSystem system;
    system.AddKey(RootKey::LocalMachine, "SYSTEM");
    EXPECT_TRUE(SaveHiveCopy(system, "\\REGISTRY\\MACHINE\\SYSTEM", Target, false));
    EXPECT_EQ(system.CallLog(), (Log{"RegOpenKey HKLM\\SYSTEM -> 0", "RegSaveKey SYSTEM -> " + Target,
                                     "RegCloseKey HKLM\\SYSTEM"}));
}

TEST(SaveHiveCopyFailures, Denied64BitViewFailsWithoutFallingBack) {
    ScriptedSystem system;
    system.AddKey(RootKey::LocalMachine, "SOFTWARE");
    system.SetGrantedAccess(RootKey::LocalMachine, "SOFTWARE", 0);
    EXPECT_FALSE(SaveHiveCopy(system, "\\REGISTRY\\MACHINE\\SOFTWARE", Target, true));
    EXPECT_EQ(system.CallLog(), (Log{"RegOpenKeyEx HKLM\\SOFTWARE 0x101 -> 5"}));
}

TEST(Privileges, EachAsksForItsPrivilegeWithItsTokenAccess) {
    ScriptedSystem system;
    EnableBackupPrivilege(system);
    EnableRestorePrivilege(system);
    EXPECT_EQ(system.CallLog(), (Log{"EnablePrivilege SeBackupPrivilege 0x28",
                                     "EnablePrivilege SeRestorePrivilege 0xF00FF"}));
}

TEST(Privileges, RefusedPrivilegeIsNotAnError) {
    ScriptedSystem system;
    system.SetPrivilegeResult("SeBackupPrivilege", false);
    EXPECT_NO_THROW(EnableBackupPrivilege(system));
}

}  // namespace
}  // namespace kelvara::hive
