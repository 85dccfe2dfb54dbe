// The snapshot routines over the real Win32 calls (run under Wine): sizes of files held open
// without sharing, the lock test, and a real registry save into a file.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/ini/temp_folder.h"
#include "hive/snapshot.h"
#include "platform/win32/win32_system.h"

namespace kelvara::hive {
namespace {

using kelvara::testing::ReadBytes;
using kelvara::testing::TempFolder;
using kelvara::testing::WriteBytes;

// Holds a file open for reading and writing and shares nothing, as the system holds a live hive.
class ExclusiveHandle {
public:
    explicit ExclusiveHandle(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~ExclusiveHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    ExclusiveHandle(const ExclusiveHandle&) = delete;
    ExclusiveHandle& operator=(const ExclusiveHandle&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

TEST(SnapshotOnWindows, SizeOfAFileHeldOpenWithoutSharingIsRead) {
    platform::win32::Win32System system;
    TempFolder folder;
    const std::string path = folder.File("held.dat");
    WriteBytes(path, std::string(123457, 'x'));
    ExclusiveHandle held(path);
    ASSERT_TRUE(held.IsOpen());
    EXPECT_EQ(QueryFileSize(system, path), 123457);
    EXPECT_TRUE(IsFileLocked(system, path));
}

TEST(SnapshotOnWindows, FreeMissingAndReadOnlyFiles) {
    platform::win32::Win32System system;
    TempFolder folder;
    const std::string free = folder.File("free.dat");
    WriteBytes(free, "1");
    EXPECT_EQ(QueryFileSize(system, free), 1);
    EXPECT_FALSE(IsFileLocked(system, free));

    const std::string missing = folder.File("missing.dat");
    EXPECT_EQ(QueryFileSize(system, missing), 0);
    EXPECT_FALSE(IsFileLocked(system, missing));
    EXPECT_EQ(QueryFileSize(system, ""), 0);

    const std::string readOnly = folder.File("ro.dat");
    WriteBytes(readOnly, "12");
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // Only the size: whether a read-only file opens for writing depends on who runs Wine.
    EXPECT_EQ(QueryFileSize(system, readOnly), 2);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SnapshotOnWindows, RegistrySaveReplacesAnOldCopy) {
    platform::win32::Win32System system;
    EnableBackupPrivilege(system);
    TempFolder folder;

    struct Hive {
        const char* path;
        bool use64BitView;
    };
    for (const Hive& hive : {Hive{"\\REGISTRY\\MACHINE\\SOFTWARE", true},
                             Hive{"\\REGISTRY\\MACHINE\\SOFTWARE", false},
                             Hive{"\\Registry\\User\\.DEFAULT", false}}) {
        SCOPED_TRACE(hive.path);
        const std::string target = folder.File("copy.kvf");
        WriteBytes(target, "old copy");
        EXPECT_TRUE(SaveHiveCopy(system, hive.path, target, hive.use64BitView));
        EXPECT_GT(QueryFileSize(system, target), 1000);
        EXPECT_NE(ReadBytes(target).substr(0, 8), "old copy");
    }
}

TEST(SnapshotOnWindows, FailedOpenLeavesNoCopy) {
    platform::win32::Win32System system;
    EnableBackupPrivilege(system);
    TempFolder folder;
    for (const char* hivePath : {"\\REGISTRY\\MACHINE\\NoSuchHiveKelvara", "\\REGISTRY\\A\\HARDWARE"}) {
        SCOPED_TRACE(hivePath);
        const std::string target = folder.File("gone.kvf");
        WriteBytes(target, "old copy");
        EXPECT_FALSE(SaveHiveCopy(system, hivePath, target, true));
        EXPECT_EQ(QueryFileSize(system, target), 0);
    }
}

}  // namespace
}  // namespace kelvara::hive
