// Reading and writing real files in a temporary folder, failures included: whatever goes wrong,
// the user's file keeps its content.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/ini_file.h"
#include "common/ini/temp_folder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace kelvara::common {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;
namespace fs = std::filesystem;

#ifndef _WIN32
bool RunningAsRoot() { return ::geteuid() == 0; }
#endif

TEST(IniFileIo, MissingOrUnreadableFileReadsAsEmpty) {
    TempFolder folder;
    EXPECT_EQ(ReadIniString(folder.File("none.ini"), "a", "k", "dflt"), "dflt");
    // A folder in place of the file.
    fs::create_directory(folder.path() / "dir.ini");
    EXPECT_EQ(ReadIniString(folder.File("dir.ini"), "a", "k", "dflt"), "dflt");
}

TEST(IniFileIo, FirstWriteCreatesTheFile) {
    TempFolder folder;
    const std::string path = folder.File("new.ini");
    ASSERT_TRUE(WriteIniString(path, "Options", "RestorePoint", "0"));
    ASSERT_TRUE(WriteIniString(path, "Options", "Lan", "English"));
    EXPECT_EQ(ReadBytes(path), "[Options]\r\nRestorePoint=0\r\nLan=English\r\n");
}

TEST(IniFileIo, WriteKeepsEveryOtherByteAndLeavesNoTemporaryFile) {
    TempFolder folder;
    const std::string path = folder.File("keep.ini");
    const std::string before =
        "; settings\n[Other]\r\n  Mixed = Case  ; not a comment\r\n\r\n[Options]\nLan=German\nZ=\"q\"\n";
    WriteBytes(path, before);
    ASSERT_TRUE(WriteIniString(path, "options", "LAN", "Dutch"));
    EXPECT_EQ(ReadBytes(path),
              "; settings\n[Other]\r\n  Mixed = Case  ; not a comment\r\n\r\n[Options]\nLan=Dutch\nZ=\"q\"\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"keep.ini"});
}

// A file written whole replaces every byte of the old one, and fails where a key would.
TEST(IniFileIo, AWholeFileReplacesTheOldOneOrLeavesItAsItWas) {
    TempFolder folder;
    const std::string path = folder.File("record.ini");
    WriteBytes(path, "[Old]\nA=1\n");
    IniFile content;
    ASSERT_TRUE(content.SetString("Last Hand-over", "Hives", "2"));
    ASSERT_TRUE(WriteIniFile(path, content));
    EXPECT_EQ(ReadBytes(path), "[Last Hand-over]\r\nHives=2\r\n");
    EXPECT_FALSE(WriteIniFile(folder.File("missing/x.ini"), content));

    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ASSERT_TRUE(content.SetString("Last Hand-over", "Hives", "3"));
    EXPECT_FALSE(WriteIniFile(path, content));
    EXPECT_EQ(ReadBytes(path), "[Last Hand-over]\r\nHives=2\r\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path())) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"record.ini"});
}

TEST(IniFileIo, WriteIntoMissingFolderFails) {
    TempFolder folder;
    EXPECT_FALSE(WriteIniString(folder.File("missing/x.ini"), "a", "k", "1"));
    EXPECT_FALSE(fs::exists(folder.path() / "missing"));
}

TEST(IniFileIo, WriteToReadOnlyFileFailsAndKeepsIt) {
    TempFolder folder;
    const std::string path = folder.File("ro.ini");
    const std::string before = "[Options]\r\nLan=German\r\n";
    WriteBytes(path, before);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(WriteIniString(path, "Options", "Lan", "Dutch"));
    EXPECT_FALSE(WriteIniString(path, "Options", "New", "1"));
    EXPECT_EQ(ReadBytes(path), before);
}

#ifndef _WIN32
// Windows ignores the read-only attribute of folders, so this is a POSIX case only.
TEST(IniFileIo, WriteInReadOnlyFolderFailsAndKeepsTheFile) {
    if (RunningAsRoot()) GTEST_SKIP() << "root may write into a read-only folder";
    TempFolder folder;
    const fs::path sub = folder.path() / "locked";
    fs::create_directory(sub);
    const std::string path = (sub / "options.ini").string();
    const std::string before = "[Options]\r\nLan=German\r\n";
    WriteBytes(path, before);
    fs::permissions(sub, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteIniString(path, "Options", "Lan", "Dutch"));
    EXPECT_EQ(ReadBytes(path), before);
}
#endif

// Whatever stops the new content from being written (here: the temporary file's name is taken
// by a folder), the old file stays whole and nothing is left behind.
TEST(IniFileIo, FailedTemporaryWriteKeepsTheFile) {
    TempFolder folder;
    const std::string path = folder.File("busy.ini");
    const std::string before = "[Options]\r\nLan=German\r\n";
    WriteBytes(path, before);
    fs::create_directory(path + ".kvnew");
    EXPECT_FALSE(WriteIniString(path, "Options", "Lan", "Dutch"));
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_TRUE(fs::is_empty(path + ".kvnew"));
}

TEST(IniFileIo, RefusedValueFailsWithoutTouchingTheFile) {
    TempFolder folder;
    const std::string path = folder.File("x.ini");
    WriteBytes(path, "[a]\nk=1\n");
    EXPECT_FALSE(WriteIniString(path, "a", "k", "1\n[b]"));
    EXPECT_EQ(ReadBytes(path), "[a]\nk=1\n");
}

#ifndef _WIN32
TEST(IniFileIo, WriteThroughALinkChangesTheLinkedFile) {
    TempFolder folder;
    const std::string target = folder.File("real.ini");
    WriteBytes(target, "[a]\nk=1\n");
    fs::create_symlink(target, folder.path() / "link.ini");
    ASSERT_TRUE(WriteIniString(folder.File("link.ini"), "a", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(folder.path() / "link.ini"));
    EXPECT_EQ(ReadBytes(target), "[a]\nk=2\n");
}

TEST(IniFileIo, WriteKeepsTheFilesPermissions) {
    TempFolder folder;
    const std::string path = folder.File("perm.ini");
    WriteBytes(path, "[a]\nk=1\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteIniString(path, "a", "k", "2"));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}
#endif

TEST(IniRemoveSectionFile, MissingFileOrSectionIsNoErrorAndCreatesNothing) {
    TempFolder folder;
    const std::string missing = folder.File("none.ini");
    EXPECT_TRUE(RemoveIniSection(missing, "Scan Result"));
    EXPECT_FALSE(fs::exists(missing));

    const std::string path = folder.File("other.ini");
    WriteBytes(path, "[Other]\nk=v");
    fs::permissions(path, fs::perms::owner_read);   // nothing to remove, so read-only is fine
    EXPECT_TRUE(RemoveIniSection(path, "Scan Result"));
    EXPECT_EQ(ReadBytes(path), "[Other]\nk=v");
}

TEST(IniRemoveSectionFile, ResultSectionIsReplacedAndOtherSectionsStay) {
    TempFolder folder;
    const std::string path = folder.File("result.ini");
    WriteBytes(path, "[Mine]\r\nnote=keep me\r\n[Scan Result]\r\nCurrent Size=1 KB\r\nExtra=old\r\n");
    ASSERT_TRUE(RemoveIniSection(path, "Scan Result"));
    ASSERT_TRUE(WriteIniString(path, "Scan Result", "Current Size", "30,651 KB"));
    ASSERT_TRUE(WriteIniString(path, "Scan Result", "Compact Percent", "15.3%"));
    EXPECT_EQ(ReadBytes(path),
              "[Mine]\r\nnote=keep me\r\n\r\n[Scan Result]\r\nCurrent Size=30,651 KB\r\nCompact Percent=15.3%\r\n");
}

TEST(IniRemoveSectionFile, ReadOnlyFileWithTheSectionFailsAndKeepsIt) {
    TempFolder folder;
    const std::string path = folder.File("ro.ini");
    const std::string before = "[Scan Result]\r\nTime=x\r\n";
    WriteBytes(path, before);
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_FALSE(RemoveIniSection(path, "Scan Result"));
    EXPECT_EQ(ReadBytes(path), before);
}

}  // namespace
}  // namespace kelvara::common
