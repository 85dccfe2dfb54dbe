// The commands as the real main window runs them: Analyze Registry from its button, /Scan from
// its message, Options from its button, over a scripted system.
#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/program_messages.h"
#include "app/unattended_modes.h"
#include "app/main_window_fixture.h"
#include "common/ini_file.h"
#include "settings/options_form.h"
#include "ui/list_view.h"
#include "ui/standard_controls.h"

namespace kelvara::app::testing {
namespace {

class MainWindowCommandsTest : public MainWindowTest {
protected:
    MainWindowCommandsTest() {
        AddStandardHives();   // hive files of 262144 bytes
        const std::pair<RootKey, const char*> keys[] = {
            {RootKey::LocalMachine, "SYSTEM"}, {RootKey::LocalMachine, "SOFTWARE"}, {RootKey::Users, ".DEFAULT"}};
        const std::int64_t copies[] = {200000, 131072, 262144};
        for (std::size_t i = 0; i < 3; ++i) {
            system_.AddKey(keys[i].first, keys[i].second);
            system_.SetSaveScript(keys[i].first, keys[i].second, {platform::status::Success, copies[i]});
        }
    }

    std::vector<std::string> Row(TfrmMain& form, int i) {
        return {form.lvMain().ItemText(i, 1), form.lvMain().ItemText(i, 2), form.lvMain().ItemText(i, 3)};
    }
};

TEST_F(MainWindowCommandsTest, AnalyzeRegistryFillsTheListAndTotalsAndEnablesDefrag) {
    TfrmMain& form = CreateAndShow();
    ASSERT_FALSE(form.FlatButton("bDefragRegistry").Enabled());
    form.FlatButton("bAnalyzeRegistry").Click();
    EXPECT_EQ(Row(form, 0), (std::vector<std::string>{"256 KB", "196 KB", "23%"}));
    EXPECT_EQ(Row(form, 1), (std::vector<std::string>{"256 KB", "128 KB", "50%"}));
    EXPECT_EQ(Row(form, 2), (std::vector<std::string>{"256 KB", "256 KB", "0%"}));
    EXPECT_EQ(form.Label("lCurrentRegistrySize").Caption(), "768 KB");
    EXPECT_EQ(form.Label("lNewRegistrySize").Caption(), "580 KB");
    EXPECT_EQ(form.Label("lSizeReduction").Caption(), "189 KB");
    EXPECT_EQ(form.Label("lCompactPercent").Caption(), "24.6%");
    EXPECT_TRUE(form.FlatButton("bDefragRegistry").Enabled());
    EXPECT_TRUE(headless_->MessageBoxes().empty());
}

TEST_F(MainWindowCommandsTest, ScanMessageHidesAnalysesWritesTheResultAndCloses) {
    TfrmMain& form = CreateAndShow();
    const std::string result = (folder_.Path() / "result.ini").string();
    MainWindowHost host(form, system_);
    form.SilentMode = true;
    // What the posted WM_AUTOSCAN does, with this command line.
    HandleAutoScan(host, {"Kelvara.exe", "/Scan", result});
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(app_->Terminated());
    const common::IniFile file = common::LoadIniFile(result);
    EXPECT_EQ(file.Find("Scan Result", "Current Size"), "768 KB");
    EXPECT_EQ(file.Find("Scan Result", "New Size"), "580 KB");
    EXPECT_EQ(file.Find("Scan Result", "Size Reduction"), "189 KB");
    EXPECT_EQ(file.Find("Scan Result", "Compact Percent"), "24.6%");
    EXPECT_EQ(file.Find("Scan Result", "Time"), "3/5/2024 2:07:09 PM");
    // Closing removed the copies.
    for (const ScriptedHive& hive : kStandardHives) EXPECT_FALSE(system_.HasFile(std::string(hive.file) + ".kvf"));
}

// The switch posts the run to the window itself; its handler analyses and closes the window
// (this test process's own command line names no result file, so nothing is written).
TEST_F(MainWindowCommandsTest, ScanSwitchPostsTheRunThatAnalysesAndCloses) {
    TfrmMain& form = CreateAndShow();
    MainWindowHost host(form, system_);
    ExamineCommandLine(host, {"Kelvara.exe", "/scan", "ignored.ini"});
    EXPECT_TRUE(form.SilentMode);
    EXPECT_EQ(form.Label("lCompactPercent").Caption(), "");
    app_->ProcessMessages();
    EXPECT_EQ(form.Label("lCompactPercent").Caption(), "24.6%");
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(app_->Terminated());
    EXPECT_TRUE(headless_->MessageBoxes().empty());
}

TEST_F(MainWindowCommandsTest, OptionsButtonOpensTheDialogAndOkAppliesGridLines) {
    TfrmMain& form = CreateAndShow();
    ASSERT_TRUE(form.lvMain().GridLines());
    headless_->SetIdleHook([&](ui::Form& top) {
        auto* dialog = dynamic_cast<settings::TfrmOptions*>(&top);
        if (!dialog) return false;
        dialog->cbShowLines().Click();
        dialog->bOK().Click();
        return true;
    });
    form.FlatButton("bOptions").Click();
    EXPECT_FALSE(form.lvMain().GridLines());
    EXPECT_NE(ReadOptions().find("IsShowLine=0"), std::string::npos);
}

}  // namespace
}  // namespace kelvara::app::testing
