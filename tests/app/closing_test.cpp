// Closing the main window: the compacted copies that exist are deleted (failures ignored), the
// lists go, the settings are saved; Exit and the close picture close it, the minimise button
// minimises it.
#include "main_window_fixture.h"

#include <algorithm>
#include <filesystem>

#include "ui/list_view.h"

namespace kelvara::app::testing {
namespace {

std::vector<std::string> DeleteCalls(const ScriptedSystem& system)
{
    std::vector<std::string> deletes;
    for (const std::string& call : system.CallLog())
        if (call.rfind("DeleteFile", 0) == 0)
            deletes.push_back(call);
    return deletes;
}

TEST_F(MainWindowTest, ClosingDeletesExactlyTheCopiesThatExist)
{
    AddStandardHives();
    const std::string systemCopy = std::string(kStandardHives[0].file) + ".kvf";
    const std::string defaultCopy = std::string(kStandardHives[2].file) + ".kvf";
    system_.AddFile(systemCopy, 4096);
    system_.AddFile(defaultCopy, 4096);
    TfrmMain& form = CreateAndShow();
    system_.ClearCallLog();

    form.Close();

    const std::vector<std::string> deletes = DeleteCalls(system_);
    ASSERT_EQ(deletes.size(), 2u);
    EXPECT_NE(deletes[0].find(systemCopy), std::string::npos) << deletes[0];
    EXPECT_NE(deletes[1].find(defaultCopy), std::string::npos) << deletes[1];
    EXPECT_FALSE(system_.HasFile(systemCopy));
    EXPECT_FALSE(system_.HasFile(defaultCopy));
    // The hives themselves are untouched.
    for (const ScriptedHive& hive : kStandardHives)
        EXPECT_TRUE(system_.HasFile(hive.file)) << hive.file;
    EXPECT_FALSE(form.HiveListsExist());
    EXPECT_TRUE(form.HiveKeyList.empty());
    EXPECT_TRUE(form.HiveFileList.empty());
}

TEST_F(MainWindowTest, ACopyThatCannotBeDeletedStaysAndTheCloseGoesOn)
{
    AddStandardHives();
    const std::string heldCopy = std::string(kStandardHives[0].file) + ".kvf";
    const std::string freeCopy = std::string(kStandardHives[1].file) + ".kvf";
    system_.AddFile(heldCopy, 4096);
    system_.AddFile(freeCopy, 4096);
    system_.SetDeleteFails(heldCopy);
    TfrmMain& form = CreateAndShow();

    form.Close();

    EXPECT_TRUE(system_.HasFile(heldCopy));
    EXPECT_FALSE(system_.HasFile(freeCopy));
    EXPECT_TRUE(headless_->MessageBoxes().empty()) << "a copy left behind is not reported";
    EXPECT_NE(ReadOptions().find("[Options]"), std::string::npos);
}

TEST_F(MainWindowTest, ClosingWithAnEmptyListDeletesNothingAndSavesTheSettings)
{
    TfrmMain& form = CreateAndShow();
    system_.ClearCallLog();
    settings::OptionsSetting.Lan = "German";
    settings::OptionsSetting.RestorePoint = true;

    form.Close();

    EXPECT_TRUE(DeleteCalls(system_).empty());
    const std::string saved = ReadOptions();
    EXPECT_NE(saved.find("RestorePoint=1"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Lan=German"), std::string::npos) << saved;
    EXPECT_NE(saved.find("IsShowLine=1"), std::string::npos) << saved;
}

TEST_F(MainWindowTest, SettingsThatCannotBeSavedAreReportedAndTheWindowStillCloses)
{
    TfrmMain& form = CreateAndShow();
    // options.ini is a folder: it can be neither read nor written.
    std::filesystem::create_directory(folder_.Path() / "options.ini");

    form.Close();

    ASSERT_EQ(headless_->MessageBoxes().size(), 1u);
    const ui::MessageBoxRequest& box = headless_->MessageBoxes()[0].request;
    EXPECT_EQ(box.text, "Unable to write to " + folder_.Folder() + "options.ini.");
    EXPECT_EQ(box.caption, "Varnel Kelvara");
    EXPECT_EQ(box.icon, ui::MsgIcon::Stop);
    EXPECT_FALSE(form.HiveListsExist());
    EXPECT_FALSE(headless_->IsShowing(form));
    EXPECT_TRUE(app_->Terminated());
}

struct CloserCase {
    const char* what;
    ui::Point click;
};

class CloserTest : public MainWindowTest, public ::testing::WithParamInterface<CloserCase> {};

TEST_P(CloserTest, EndsTheProgramAndDeletesTheCopies)
{
    AddStandardHives();
    const std::string copy = std::string(kStandardHives[1].file) + ".kvf";
    system_.AddFile(copy, 4096);
    TfrmMain& form = CreateAndShow();

    headless_->Click(form, GetParam().click);
    app_->ProcessMessages();

    EXPECT_FALSE(system_.HasFile(copy)) << GetParam().what;
    EXPECT_FALSE(headless_->IsShowing(form)) << GetParam().what;
    EXPECT_TRUE(app_->Terminated()) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(MainWindow, CloserTest, ::testing::Values(
    CloserCase{"Exit button", {30, 295}},
    CloserCase{"close picture (hint: minimise to tray)", {528, 20}}));

TEST_F(MainWindowTest, MinimiseButtonMinimisesThroughTheSystemCommand)
{
    TfrmMain& form = CreateAndShow();
    headless_->Click(form, {500, 20});
    app_->ProcessMessages();
    EXPECT_TRUE(app_->IsMinimized() || form.Minimized());
    EXPECT_FALSE(app_->Terminated());
}

}  // namespace
}  // namespace kelvara::app::testing
