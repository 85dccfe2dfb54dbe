// The settings file: defaults, the integer reading of the flags, the written form, and failed
// writes that raise the error without losing anything of the file.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <string_view>
#include <vector>

#include "common/file_faults.h"
#include "common/ini/temp_folder.h"
#include "settings/options_setting.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace kelvara::settings {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;
namespace fs = std::filesystem;

class OptionsSettingTest : public ::testing::Test {
protected:
    void SetUp() override { OptionsSetting = TOptionsSetting{}; }
    void TearDown() override { OptionsSetting = TOptionsSetting{}; }

    std::string OptionsFile() const { return folder_.File("options.ini"); }
    void Read() { ReadWriteOptions(true, folder_.WithSeparator()); }
    void Write() { ReadWriteOptions(false, folder_.WithSeparator()); }

    TempFolder folder_;
};

TEST_F(OptionsSettingTest, NothingIsSetBeforeTheFirstRead) {
    const TOptionsSetting fresh{};
    EXPECT_FALSE(fresh.IsAskBeforeDefrag);
    EXPECT_FALSE(fresh.IsShowLine);
    EXPECT_FALSE(fresh.RestorePoint);
    EXPECT_EQ(fresh.Lan, "");
}

TEST_F(OptionsSettingTest, NoFileGivesDefaultsAndTheFirstWriteCreatesIt) {
    Read();
    EXPECT_TRUE(OptionsSetting.IsAskBeforeDefrag);
    EXPECT_TRUE(OptionsSetting.IsShowLine);
    EXPECT_FALSE(OptionsSetting.RestorePoint);
    EXPECT_EQ(OptionsSetting.Lan, "English");
    EXPECT_FALSE(fs::exists(OptionsFile()));

    Write();
    EXPECT_EQ(ReadBytes(OptionsFile()),
              "[Options]\r\nRestorePoint=0\r\nIsAskBeforeDefrag=1\r\nIsShowLine=1\r\nLan=English\r\n");
}

struct FlagCase {
    const char* value;
    bool expected;   // the RestorePoint flag read (its default is false)
};

class RestorePointValueTest : public OptionsSettingTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(RestorePointValueTest, ReadsAsInteger) {
    WriteBytes(OptionsFile(), std::string("[Options]\r\nRestorePoint=") + GetParam().value + "\r\n");
    Read();
    EXPECT_EQ(OptionsSetting.RestorePoint, GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, RestorePointValueTest,
                         ::testing::Values(FlagCase{"0x1", true}, FlagCase{"$1", true},
                                           FlagCase{"2", true}, FlagCase{"-1", true},
                                           FlagCase{" 1 ", true}, FlagCase{"\"1\"", true},
                                           FlagCase{"0", false}, FlagCase{"1a", false},
                                           FlagCase{"yes", false}, FlagCase{"true", false},
                                           FlagCase{"", false}, FlagCase{"4294967296", false}));

TEST_F(OptionsSettingTest, NonIntegerValuesGiveEachKeysOwnDefault) {
    WriteBytes(OptionsFile(),
               "[options]\r\nrestorepoint=1a\r\nISASKBEFOREDEFRAG=yes\r\nIsShowLine=0\r\nLan=\r\n");
    Read();
    EXPECT_FALSE(OptionsSetting.RestorePoint);
    EXPECT_TRUE(OptionsSetting.IsAskBeforeDefrag);
    EXPECT_FALSE(OptionsSetting.IsShowLine);
    EXPECT_EQ(OptionsSetting.Lan, "");   // present but empty: not "English"
}

TEST_F(OptionsSettingTest, WriteReplacesValuesInPlaceAndKeepsTheRest) {
    WriteBytes(OptionsFile(),
               "; my settings\n[Window]\nLeft=10\n\n[Options]\nLan = German\nRestorePoint=1\nExtra=kept\n");
    OptionsSetting = {false, false, true, "BrazilianPortuguese", ""};
    Write();
    EXPECT_EQ(ReadBytes(OptionsFile()),
              "; my settings\n[Window]\nLeft=10\n\n[Options]\nLan = BrazilianPortuguese\n"
              "RestorePoint=1\nExtra=kept\nIsAskBeforeDefrag=0\r\nIsShowLine=0\r\n");

    OptionsSetting = TOptionsSetting{};
    Read();
    EXPECT_TRUE(OptionsSetting.RestorePoint);
    EXPECT_FALSE(OptionsSetting.IsAskBeforeDefrag);
    EXPECT_FALSE(OptionsSetting.IsShowLine);
    EXPECT_EQ(OptionsSetting.Lan, "BrazilianPortuguese");
}

TEST_F(OptionsSettingTest, ReadOnlyFileRaisesTheErrorAndLosesNothing) {
    const std::string before = "[Options]\r\nRestorePoint=1\r\nLan=German\r\n";
    WriteBytes(OptionsFile(), before);
    fs::permissions(OptionsFile(), fs::perms::owner_read);
    OptionsSetting = {true, true, false, "Dutch", ""};
    try {
        Write();
        FAIL() << "no error raised";
    } catch (const WriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + OptionsFile());
        EXPECT_EQ(error.path(), OptionsFile());
    }
    EXPECT_EQ(ReadBytes(OptionsFile()), before);
    EXPECT_EQ(OptionsSetting.Lan, "Dutch");   // memory keeps what was to be written
}

TEST_F(OptionsSettingTest, MissingFolderRaisesTheErrorWithTheFullPath) {
    const std::string folder = folder_.File("gone") + std::string(1, fs::path::preferred_separator);
    try {
        ReadWriteOptions(false, folder);
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + folder + "options.ini");
    }
}

#ifndef _WIN32
TEST_F(OptionsSettingTest, ReadOnlyFolderRaisesTheErrorAndLosesNothing) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write into a read-only folder";
    const std::string before = "[Options]\r\nLan=German\r\n";
    WriteBytes(OptionsFile(), before);
    fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(Write(), WriteError);
    fs::permissions(folder_.path(), fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(OptionsFile()), before);
}
#endif

TEST_F(OptionsSettingTest, ValueThatCannotBeStoredStopsTheWriteAtThatKey) {
    WriteBytes(OptionsFile(), "[Options]\r\nLan=German\r\n");
    OptionsSetting = {false, false, true, "Bad\r\n[Injected]", ""};
    EXPECT_THROW(Write(), WriteError);
    // The three flags before the language were written; the language line is unchanged.
    EXPECT_EQ(ReadBytes(OptionsFile()),
              "[Options]\r\nLan=German\r\nRestorePoint=1\r\nIsAskBeforeDefrag=0\r\nIsShowLine=0\r\n");
}

// The file operations of one save, as the fault seam sees them, by operation word; the hook can
// make one operation fail with an errno, as a failing disk would.
class SaveOperations {
public:
    explicit SaveOperations(std::string failing = {}, int error = 0)
        : failing_(std::move(failing)), error_(error) {
        common::SetFileFaultHook([this](std::string_view operation, const std::string&) {
            ++counts_[std::string(operation)];
            return operation == failing_ ? error_ : 0;
        });
    }
    ~SaveOperations() { common::SetFileFaultHook({}); }
    SaveOperations(const SaveOperations&) = delete;
    SaveOperations& operator=(const SaveOperations&) = delete;

    int Count(const std::string& operation) const {
        const auto found = counts_.find(operation);
        return found == counts_.end() ? 0 : found->second;
    }

private:
    std::string failing_;
    int error_;
    std::map<std::string, int> counts_;
};

TEST_F(OptionsSettingTest, OneSaveFlushesTheFileOnce) {
    struct Case {
        const char* name;
        const char* before;   // nullptr: no file yet
    };
    const Case cases[] = {
        {"new file", nullptr},
        {"every key present", "[Options]\r\nRestorePoint=0\r\nIsAskBeforeDefrag=1\r\nIsShowLine=1\r\nLan=English\r\n"},
        {"other sections only", "[Window]\r\nLeft=1\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(OptionsFile());
        if (c.before) WriteBytes(OptionsFile(), c.before);
        OptionsSetting = TOptionsSetting{};
        OptionsSetting.RestorePoint = true;
        OptionsSetting.Lan = "Dutch";
        {
            SaveOperations operations;
            Write();
            EXPECT_EQ(operations.Count("flush"), 1);
            EXPECT_EQ(operations.Count("create"), 1);
        }
        OptionsSetting = TOptionsSetting{};
        Read();
        EXPECT_TRUE(OptionsSetting.RestorePoint);
        EXPECT_FALSE(OptionsSetting.IsAskBeforeDefrag);
        EXPECT_FALSE(OptionsSetting.IsShowLine);
        EXPECT_EQ(OptionsSetting.Lan, "Dutch");
    }
}

// A save stopped by a value the file cannot hold still writes the keys before it, in one flush.
TEST_F(OptionsSettingTest, ARefusedValueStillFlushesOnceForTheKeysBeforeIt) {
    WriteBytes(OptionsFile(), "[Options]\r\nLan=German\r\n");
    OptionsSetting = {false, false, true, "Bad\n", ""};
    SaveOperations operations;
    EXPECT_THROW(Write(), WriteError);
    EXPECT_EQ(operations.Count("flush"), 1);
    EXPECT_EQ(ReadBytes(OptionsFile()),
              "[Options]\r\nLan=German\r\nRestorePoint=1\r\nIsAskBeforeDefrag=0\r\nIsShowLine=0\r\n");
}

// A disk that fails at any step of the one replacement: the error names the file, the old file
// is whole, and no temporary file is left beside it.
TEST_F(OptionsSettingTest, AFailingDiskAtAnyStepRaisesTheErrorAndLosesNothing) {
    struct Case {
        const char* operation;
        int error;
    };
    const Case cases[] = {{"create", EACCES}, {"write", ENOSPC}, {"flush", EIO}, {"rename", EACCES}};
    const std::string before = "; mine\r\n[Options]\r\nRestorePoint=1\r\nLan=German\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        WriteBytes(OptionsFile(), before);
        OptionsSetting = {true, true, false, "Dutch", ""};
        {
            SaveOperations operations(c.operation, c.error);
            try {
                Write();
                ADD_FAILURE() << "no error raised";
            } catch (const WriteError& error) {
                EXPECT_EQ(std::string(error.what()), "Unable to write to " + OptionsFile());
            }
            // No key is tried again in a file of its own after the failure.
            EXPECT_EQ(operations.Count("create"), 1);
            EXPECT_LE(operations.Count("flush"), 1);
        }
        EXPECT_EQ(ReadBytes(OptionsFile()), before);
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.path())) names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"options.ini"});
    }
}

}  // namespace
}  // namespace kelvara::settings
