// The first showing: one row per hive, the version check (and what it skips), the grid lines
// and the language check mark; and the hand-over message from a second start.
#include "main_window_fixture.h"

#include "app/program_messages.h"
#include "common/ini_file.h"
#include "controls/colour_scheme.h"
#include "settings/options_setting.h"
#include "ui/list_view.h"
#include "ui/menu.h"

namespace kelvara::app::testing {
namespace {

std::vector<std::string> CheckedLanguages(const TfrmMain& form)
{
    std::vector<std::string> checked;
    for (ui::TMenuItem* item : form.PopupMenu("pmLanguage").Items())
        if (item->Checked())
            checked.push_back(item->Name());
    return checked;
}

TEST_F(MainWindowTest, OneRowPerHiveWithThreeEmptySubItems)
{
    AddStandardHives();
    // Not listed: a volatile hive without a file, and a file that does not exist.
    AddHive({"\\REGISTRY\\MACHINE\\HARDWARE", "", ""});
    AddHive({"\\REGISTRY\\MACHINE\\SAM", "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SAM", ""});
    TfrmMain& form = CreateAndShow();

    const ui::TListView& list = form.lvMain();
    ASSERT_EQ(list.ItemCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list.ItemText(row, 0), kStandardHives[row].key);
        EXPECT_EQ(list.Row(row), (std::vector<std::string>{kStandardHives[row].key, "", "", ""}));
        EXPECT_EQ(form.HiveKeyList[row], kStandardHives[row].key);
        EXPECT_EQ(form.HiveFileList[row], kStandardHives[row].file);
    }
    EXPECT_TRUE(headless_->MessageBoxes().empty());
}

TEST_F(MainWindowTest, NoHivesGiveAnEmptyList)
{
    TfrmMain& form = CreateAndShow();
    EXPECT_EQ(form.lvMain().ItemCount(), 0);
    EXPECT_TRUE(headless_->MessageBoxes().empty());
}

TEST_F(MainWindowTest, SixtyFourBitWindowsIsDetectedBeforeTheCatalogue)
{
    system_.SetWow64(platform::fake::Wow64Function::Present, true);
    AddHive(kStandardHives[0]);
    system_.AddFile("C:\\Windows\\sysnative\\config\\SYSTEM", 262144);
    TfrmMain& form = CreateAndShow();
    EXPECT_TRUE(form.Is64BitWindows);
    ASSERT_EQ(form.HiveFileList.size(), 1u);
    EXPECT_EQ(form.HiveFileList[0], "C:\\Windows\\sysnative\\config\\SYSTEM");
}

TEST_F(MainWindowTest, MissingIsWow64ProcessMeans32Bit)
{
    system_.SetWow64(platform::fake::Wow64Function::Absent, true);
    TfrmMain& form = CreateAndShow();
    EXPECT_FALSE(form.Is64BitWindows);
}

struct VersionCase {
    const char* what;
    platform::OsVersion version;
    std::uint8_t code;
    bool supported;
};

const VersionCase kVersionCases[] = {
    {"Windows XP", {5, 1, 2600, 2}, 9, true},
    {"Windows 7", {6, 1, 7601, 2}, 12, true},
    {"Windows 8.1 reports 6.2 without a supported-OS list", {6, 2, 9200, 2}, 11, true},
    {"Windows 98", {4, 10, 1998, 1}, 3, false},
    {"NT 10 reported as such", {10, 0, 19045, 2}, 0, false},
    {"failed query: all zero", {0, 0, 0, 0}, 0, false},
};

class VersionTest : public MainWindowTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionTest, UnsupportedVersionIsToldAndSkipsTheRestOfStartUp)
{
    const VersionCase& c = GetParam();
    system_.SetVersion(c.version);
    AddStandardHives();
    WriteOptions("[Options]\r\nIsShowLine=0\r\nLan=English\r\n");
    TfrmMain& form = Create();
    // A caption far wider than the designed 56 pixels shows whether the widths were fitted.
    form.FlatButton("bOptions").SetCaption("Options and more settings");
    form.Show();

    EXPECT_EQ(form.WindowsVersionCode, c.code) << c.what;
    // The list is filled either way.
    EXPECT_EQ(form.lvMain().ItemCount(), 3) << c.what;
    if (c.supported) {
        EXPECT_TRUE(headless_->MessageBoxes().empty()) << c.what;
        EXPECT_FALSE(form.lvMain().GridLines()) << c.what;
        EXPECT_EQ(CheckedLanguages(form), std::vector<std::string>{"miEnglish"}) << c.what;
        EXPECT_GT(form.FlatButton("bOptions").Width(), 56) << c.what;
        return;
    }
    ASSERT_EQ(headless_->MessageBoxes().size(), 1u) << c.what;
    const ui::MessageBoxRequest& box = headless_->MessageBoxes()[0].request;
    EXPECT_EQ(box.text, "The software does not support the current Windows system!");
    EXPECT_EQ(box.caption, "Varnel Kelvara");
    EXPECT_EQ(box.buttons, ui::MsgButtons::Ok);
    // Skipped: grid lines stay as designed, no language is marked, widths stay as designed.
    EXPECT_TRUE(form.lvMain().GridLines()) << c.what;
    EXPECT_TRUE(CheckedLanguages(form).empty()) << c.what;
    EXPECT_EQ(form.FlatButton("bOptions").Width(), 56) << c.what;
    EXPECT_TRUE(form.Visible()) << "the window stays open: " << c.what;
}

INSTANTIATE_TEST_SUITE_P(MainWindow, VersionTest, ::testing::ValuesIn(kVersionCases));

struct LanguageCase {
    const char* stored;
    std::vector<std::string> checked;
};

class LanguageMarkTest : public MainWindowTest, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(LanguageMarkTest, CurrentLanguageIsMarkedByItemName)
{
    const LanguageCase& c = GetParam();
    WriteOptions(std::string("[Options]\r\nLan=") + c.stored + "\r\n");
    TfrmMain& form = CreateAndShow();
    EXPECT_EQ(CheckedLanguages(form), c.checked) << "Lan=" << c.stored;
    EXPECT_EQ(settings::OptionsSetting.Lan, c.stored);
}

INSTANTIATE_TEST_SUITE_P(MainWindow, LanguageMarkTest, ::testing::Values(
    LanguageCase{"english", {"miEnglish"}},
    LanguageCase{"ENGLISH", {"miEnglish"}},
    LanguageCase{"brazilianportuguese", {"miBrazilianPortuguese"}},
    LanguageCase{"Ukranian", {"miUkranian"}},
    LanguageCase{"Other", {"miOther"}},
    LanguageCase{"Klingon", {}},
    // The separator N6 names the empty language; a separator shows no mark anyway.
    LanguageCase{"", {"N6"}}));

TEST_F(MainWindowTest, GridLinesFollowTheSetting)
{
    WriteOptions("[Options]\r\nIsShowLine=1\r\n");
    EXPECT_TRUE(CreateAndShow().lvMain().GridLines());
}

// The dialogs' colour scheme is installed when the main window is made; one that cannot be used
// leaves the default and a note naming the value. The options dialog's save keeps the key.
TEST_F(MainWindowTest, TheDialogsColourSchemeFollowsTheSetting)
{
    struct Case {
        const char* options;
        const char* scheme;   // the built-in scheme expected
        const char* note;     // a part of the note, or "" for none
    };
    const Case cases[] = {
        {"[Options]\r\nLan=English\r\n", "Blue", ""},
        {"[Options]\r\nScheme=olive\r\n", "Olive", ""},
        {"[Options]\r\nScheme=Neon\r\n", "Blue", "Scheme=Neon"},
        {"[Options]\r\nScheme=Theme\r\n", "Blue", "Theme.ini"},   // no theme file beside the program
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        WriteOptions(c.options);
        Create();
        EXPECT_EQ(controls::CurrentSkinStyle().frame, controls::FindBuiltInScheme(c.scheme)->frame);
        EXPECT_EQ(controls::SkinStyleNote().empty(), *c.note == 0) << controls::SkinStyleNote();
        EXPECT_NE(controls::SkinStyleNote().find(c.note), std::string::npos) << controls::SkinStyleNote();
    }
    WriteOptions("[Options]\r\nScheme=Plum\r\n");
    Create();
    settings::ReadWriteOptions(false, system_.ProgramFolder());
    EXPECT_EQ(common::LoadIniFile(settings::OptionsFilePath(system_.ProgramFolder())).ReadString("Options", "Scheme", ""),
              "Plum");
    controls::UseSkinStyle(controls::DefaultSkinStyle());
}

TEST_F(MainWindowTest, ShowMainRestoresAndShowsTheWindow)
{
    TfrmMain& form = CreateAndShow();
    app_->Minimize();
    ASSERT_TRUE(app_->IsMinimized());
    form.Hide();

    ASSERT_TRUE(form.Post(WM_SHOWMAIN, 0, 0));
    app_->ProcessMessages();

    EXPECT_FALSE(app_->IsMinimized());
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(headless_->IsShowing(form));
}

}  // namespace
}  // namespace kelvara::app::testing
