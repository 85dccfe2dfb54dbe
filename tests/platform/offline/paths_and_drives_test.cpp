// Drive C: and its device name, and how Windows paths find files in the folder.
#include <gtest/gtest.h>

#include "installation_builder.h"
#include "platform/offline/installation_paths.h"
#include "platform/offline/offline_system.h"

namespace kelvara::platform::offline::testing {
namespace {
namespace fs = std::filesystem;

class PathsAndDrives : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root.Path() / "Windows/System32/config");
        WriteBytes(root.Path() / "Windows/System32/config/SOFTWARE", std::vector<std::uint8_t>(1500, 7));
        WriteBytes(root.Path() / "Users/Alice/NTUSER.DAT", std::vector<std::uint8_t>(10, 1));
        WriteBytes(root.Path() / "empty.txt", {});
    }
    TempFolder root;
    OfflineSystem system{root.Path().string()};
};

TEST_F(PathsAndDrives, LogicalDriveStringsAreDriveCWithTheirZeros) {
    struct Case {
        std::uint32_t bufferChars;
        std::uint32_t answer;
        std::string written;
    };
    const Case cases[] = {
        {104, 4, std::string("C:\\\0\0", 5)},   // what the catalogue passes
        {5, 4, std::string("C:\\\0\0", 5)},     // exactly enough
        {4, 5, ""},                             // too small: the size needed, nothing written
        {0, 5, ""},
    };
    for (const Case& c : cases) {
        std::string buffer = "untouched";
        EXPECT_EQ(system.GetLogicalDriveStrings(c.bufferChars, buffer), c.answer) << c.bufferChars;
        EXPECT_EQ(buffer, c.written) << c.bufferChars;
    }
}

TEST_F(PathsAndDrives, DriveTypesAndDeviceNames) {
    EXPECT_EQ(system.GetDriveType("C:\\"), drivetype::Fixed);
    EXPECT_EQ(system.GetDriveType("c:\\"), drivetype::Fixed);
    EXPECT_EQ(system.GetDriveType("D:\\"), drivetype::NoRootDir);
    EXPECT_EQ(system.GetDriveType("Z:\\"), drivetype::NoRootDir);

    struct Case {
        std::string device;
        std::uint32_t bufferChars;
        bool found;
    };
    const Case cases[] = {
        {"C:", 127, true}, {"c:", 1000, true}, {"C:", 25, true},   // name, its zero and the list's zero
        {"C:", 24, false},  {"D:", 1000, false}, {"C:\\", 1000, false}, {"", 1000, false},
    };
    for (const Case& c : cases) {
        std::string target;
        EXPECT_EQ(system.QueryDosDevice(c.device, c.bufferChars, target), c.found) << c.device << " " << c.bufferChars;
        if (c.found) {
            EXPECT_EQ(target, "\\Device\\HarddiskVolume1");
        }
    }
}

TEST_F(PathsAndDrives, WindowsPathsFindFilesIgnoringCase) {
    struct Case {
        std::string path;
        bool exists;
        std::int64_t size;
    };
    const Case cases[] = {
        {"C:\\Windows\\System32\\config\\SOFTWARE", true, 1500},
        {"c:\\WINDOWS\\system32\\CONFIG\\software", true, 1500},
        {"C:/windows/SYSTEM32/Config/Software", true, 1500},
        {"C:\\Windows\\System32\\..\\System32\\.\\config\\SOFTWARE", true, 1500},
        {"C:\\users\\alice\\ntuser.dat", true, 10},
        {"C:\\EMPTY.TXT", true, 0},
        {"C:\\Windows\\System32\\config\\SYSTEM", false, 0},
        {"D:\\Windows\\System32\\config\\SOFTWARE", false, 0},   // no drive D: here
        {"C:\\Windows\\System32\\config", false, 0},             // a folder is not a file
    };
    for (const Case& c : cases) {
        EXPECT_EQ(system.FileExists(c.path), c.exists) << c.path;
        std::int64_t size = -7;
        if (c.exists) {
            EXPECT_TRUE(system.FindFirstFileSize(c.path, 0x3F, size)) << c.path;
            EXPECT_EQ(size, c.size) << c.path;
        }
    }
    std::int64_t size = -7;
    EXPECT_FALSE(system.FindFirstFileSize("C:\\nothing\\here", 0x3F, size));
    EXPECT_EQ(size, -7);
}

TEST_F(PathsAndDrives, NativePathsAreUsedAsTheyAre) {
    fs::path native = root.Path() / "Users/Alice/NTUSER.DAT";
    EXPECT_TRUE(system.FileExists(native.string()));
#ifndef _WIN32
    EXPECT_FALSE(system.FileExists((root.Path() / "users/alice/ntuser.dat").string()));   // Linux keeps case
#endif
    std::int64_t size = 0;
    EXPECT_TRUE(system.FindFirstFileSize(native.string(), 0x3F, size));
    EXPECT_EQ(size, 10);
}

TEST(InstallationPaths, ExpandFileNameKeepsTheWindowsForm) {
    InstallationPaths paths("/srv/win");
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"C:\\Windows\\System32\\config\\SAM", "C:\\Windows\\System32\\config\\SAM"},
        {"c:/windows/system32/../sysnative/x", "c:\\windows\\sysnative\\x"},
        {"C:\\a\\.\\b\\\\c", "C:\\a\\b\\c"},
        {"C:\\..\\..\\x", "C:\\x"},
        {"C:\\Users\\", "C:\\Users\\"},
        {"C:", "C:\\"},
        {"", ""},
#ifndef _WIN32
        {"/tmp/a/../b", "/tmp/b"},
#endif
    };
    for (const Case& c : cases) EXPECT_EQ(paths.ExpandFileName(c.in), c.out) << c.in;
}

TEST(InstallationPaths, ResolvesExistingComponentsAndKeepsNewOnes) {
    TempFolder root;
    fs::create_directories(root.Path() / "Windows/System32/config");
    fs::create_directories(root.Path() / "Users/Bob");
#ifndef _WIN32
    fs::create_directories(root.Path() / "Users/bob");   // a Linux folder may hold both spellings
#endif
    InstallationPaths paths(root.Path());

    struct Case {
        std::string path;
        std::string expected;   // below the root
    };
    const Case cases[] = {
        {"C:\\WINDOWS\\SYSTEM32\\CONFIG", "Windows/System32/config"},
        {"C:\\windows\\system32\\config\\SOFTWARE.kvf", "Windows/System32/config/SOFTWARE.kvf"},
        {"C:\\Windows\\NewFolder\\Sub", "Windows/NewFolder/Sub"},
        {"C:\\users\\BOB", "Users/Bob"},
#ifndef _WIN32
        {"C:\\users\\bob", "Users/bob"},   // exact spelling first
        {"C:\\users\\bOb", "Users/Bob"},   // otherwise the first in name order ("Bob" < "bob")
#endif
    };
    for (const Case& c : cases) {
        auto native = paths.ToNative(c.path);
        ASSERT_TRUE(native) << c.path;
        EXPECT_EQ(*native, root.Path() / c.expected) << c.path;
    }
    EXPECT_EQ(paths.PathOnDriveC(root.Path() / "Windows/System32/config"), "Windows\\System32\\config");
    EXPECT_FALSE(paths.PathOnDriveC("/somewhere/else"));
#ifndef _WIN32
    EXPECT_FALSE(paths.ToNative("E:\\x"));   // the Linux build has no other drive
#endif
}

TEST_F(PathsAndDrives, DeleteAndExclusiveOpen) {
    EXPECT_TRUE(system.OpenExclusive("C:\\empty.txt"));
    EXPECT_FALSE(system.OpenExclusive("C:\\missing.txt"));
    EXPECT_FALSE(system.OpenExclusive("C:\\Windows"));
    EXPECT_FALSE(system.DeleteFile("C:\\Windows\\System32"));   // folders are not deleted
    EXPECT_TRUE(fs::is_directory(root.Path() / "Windows/System32"));
    EXPECT_TRUE(system.DeleteFile("c:\\EMPTY.txt"));
    EXPECT_FALSE(fs::exists(root.Path() / "empty.txt"));
    EXPECT_FALSE(system.DeleteFile("C:\\empty.txt"));
}

TEST_F(PathsAndDrives, ProgramFolderIsTheTestsOwnFolder) {
    std::string folder = system.ProgramFolder();
    ASSERT_FALSE(folder.empty());
#ifdef _WIN32
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(fs::exists(fs::path(folder) / "platform_offline_tests.exe")) << folder;
#else
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::exists(fs::path(folder) / "platform_offline_tests")) << folder;
#endif
}

}  // namespace
}  // namespace kelvara::platform::offline::testing
