// QueryFileSize and IsFileLocked against the scripted file table.
#include <gtest/gtest.h>

#include "hive/snapshot.h"
#include "platform/fake/scripted_system.h"

namespace kelvara::hive {
namespace {

using platform::fake::ScriptedSystem;

TEST(QueryFileSize, ReadsTheDirectoryEntry) {
    ScriptedSystem system;
    system.AddFile("C:\\config\\SOFTWARE", 31457280);
    system.AddFile("C:\\config\\one", 1);
    system.AddFile("C:\\config\\empty", 0);
    system.AddFile("C:\\config\\SYSTEM", 4096);
    system.SetFileLocked("C:\\config\\SYSTEM");   // held open by the system: still measured
    system.AddFile("C:\\config\\SAM", 8192);
    system.SetFileEntryUnreadable("C:\\config\\SAM");

    EXPECT_EQ(QueryFileSize(system, "C:\\config\\SOFTWARE"), 31457280);
    EXPECT_EQ(QueryFileSize(system, "C:\\config\\one"), 1);
    EXPECT_EQ(QueryFileSize(system, "C:\\config\\empty"), 0);
    EXPECT_EQ(QueryFileSize(system, "C:\\config\\SYSTEM"), 4096);
    EXPECT_EQ(QueryFileSize(system, "C:\\config\\SAM"), -1);
    EXPECT_EQ(QueryFileSize(system, "C:\\config\\missing"), 0);
    EXPECT_EQ(QueryFileSize(system, ""), 0);
}

TEST(QueryFileSize, ExpandsARelativeNameBeforeTheSearch) {
    ScriptedSystem system;
    system.SetCurrentFolder("C:\\work\\");
    system.AddFile("hive.kvf", 5);              // found by the existence test as given
    system.AddFile("C:\\work\\hive.kvf", 12);   // the entry found under the full name
    EXPECT_EQ(QueryFileSize(system, "hive.kvf"), 12);
}

TEST(IsFileLocked, OnlyAnExistingFileThatCannotBeOpenedIsLocked) {
    ScriptedSystem system;
    system.AddFile("C:\\a.kvf", 10);
    system.AddFile("C:\\b.kvf", 10);
    system.SetFileLocked("C:\\b.kvf");
    EXPECT_FALSE(IsFileLocked(system, "C:\\a.kvf"));
    EXPECT_TRUE(IsFileLocked(system, "C:\\b.kvf"));
    EXPECT_FALSE(IsFileLocked(system, "C:\\missing.kvf"));
    EXPECT_FALSE(IsFileLocked(system, ""));
}

}  // namespace
}  // namespace kelvara::hive
