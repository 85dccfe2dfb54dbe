// The settings file: defaults, the integer reading of the flags, the written form, and failed
// writes that raise the error without losing anything of the file.
#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace kelvara::settings
