// The options dialog on the headless set with a real options.ini in a temporary folder: what OK,
// Cancel and the close box do to the settings in memory, the list's grid lines and the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "common/ini_file.h"
#include "common/ini/temp_folder.h"
#include "settings/options_form.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/headless/headless_widget_set.h"
#include "ui/list_view.h"
#include "ui/widget_set.h"

namespace kelvara::settings {
namespace {

using testing::TempFolder;
namespace fs = std::filesystem;

// Points in the dialog's client area: each control's own position plus its group box's.
constexpr ui::Point kShowLinesBox{8 + 16 + 4, 8 + 81 + 4};
constexpr ui::Point kRestoreBox{8 + 16 + 4, 8 + 16 + 4};
constexpr ui::Point kAskBox{8 + 16 + 4, 8 + 48 + 4};
constexpr ui::Point kOkButton{187 + 10, 140 + 10};
constexpr ui::Point kCancelButton{288 + 10, 140 + 10};

class OptionsDialogTest : public ::testing::Test {
protected:
    OptionsDialogTest() {
        auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
        headless_ = widgets.get();
        app_ = std::make_unique<ui::Application>(std::move(widgets));
        app_->SetTitle("Varnel Kelvara");
        main_ = ui::CreateForm<ui::Form>();
        main_->SetClientSize(556, 392);
        list_ = &main_->Add<ui::TListView>("lvMain", {10, 10, 300, 200});
        main_->Show();
        OptionsSetting = {true, true, false, "English", ""};
        list_->SetGridLines(true);
        headless_->SetIdleHook([this](ui::Form& top) {
            if (!user_ || &top == main_.get()) return false;
            auto act = std::move(user_);
            user_ = nullptr;
            act(static_cast<TfrmOptions&>(top));
            return true;
        });
    }
    ~OptionsDialogTest() override { OptionsSetting = {}; }

    // What the user does in the dialog once it is up.
    void WhenShown(std::function<void(TfrmOptions&)> act) { user_ = std::move(act); }
    void RunCommand() { RunOptionsCommand(*main_, *list_, folder_.WithSeparator()); }
    std::string OptionsFile() const { return folder_.File("options.ini"); }

    TempFolder folder_;
    ui::headless::HeadlessWidgetSet* headless_ = nullptr;
    std::unique_ptr<ui::Application> app_;
    std::unique_ptr<ui::Form> main_;
    ui::TListView* list_ = nullptr;
    std::function<void(TfrmOptions&)> user_;
};

TEST_F(OptionsDialogTest, StartsFromTheSettingsInMemory) {
    OptionsSetting = {false, true, true, "English", ""};
    auto dialog = ui::CreateForm<TfrmOptions>(main_.get());
    EXPECT_FALSE(dialog->cbAskBeforeDefrag().Checked());
    EXPECT_TRUE(dialog->cbShowLines().Checked());
    EXPECT_TRUE(dialog->cbCreateRestore().Checked());
    EXPECT_EQ(dialog->Caption(), "Options");
    EXPECT_EQ(dialog->ClientWidth(), 377);
    EXPECT_EQ(dialog->ClientHeight(), 178);
    EXPECT_EQ(dialog->Name(), "frmOptions");
}

TEST_F(OptionsDialogTest, CheckBoxesAreAsWideAsTheirCaptionsWithinTheGroupBox) {
    std::vector<int> widths;
    WhenShown([&](TfrmOptions& dialog) {
        for (controls::TSkinCheckBox* box : {&dialog.cbAskBeforeDefrag(), &dialog.cbShowLines(), &dialog.cbCreateRestore()})
            widths.push_back(box->Width());
        dialog.Close();
    });
    RunCommand();
    ASSERT_EQ(widths.size(), 3u);
    // "Ask before defraging the registy" is the shortest caption, the restore point's the longest.
    EXPECT_LT(widths[0], widths[1]);
    EXPECT_LT(widths[1], widths[2]);
    EXPECT_LE(widths[2], 361 - 16 - 4);
    EXPECT_GT(widths[0], 17);
}

TEST_F(OptionsDialogTest, OkWithGridLinesUntickedAppliesThemAtOnceAndWritesTheFile) {
    WhenShown([&](TfrmOptions& dialog) {
        headless_->Click(dialog, kShowLinesBox);
        headless_->Click(dialog, kRestoreBox);
        headless_->Click(dialog, kOkButton);
    });
    RunCommand();
    EXPECT_FALSE(list_->GridLines());
    EXPECT_FALSE(OptionsSetting.IsShowLine);
    EXPECT_TRUE(OptionsSetting.RestorePoint);
    EXPECT_TRUE(OptionsSetting.IsAskBeforeDefrag);
    const common::IniFile file = common::LoadIniFile(OptionsFile());
    EXPECT_EQ(file.Find("Options", "IsShowLine"), "0");
    EXPECT_EQ(file.Find("Options", "RestorePoint"), "1");
    EXPECT_EQ(file.Find("Options", "IsAskBeforeDefrag"), "1");
    EXPECT_EQ(file.Find("Options", "Lan"), "English");
}

struct LeaveCase {
    const char* name;
    std::function<void(ui::headless::HeadlessWidgetSet&, TfrmOptions&)> leave;
};

class LeaveWithoutOkTest : public OptionsDialogTest, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(LeaveWithoutOkTest, ChangesNothingInMemoryOrOnDisk) {
    WhenShown([&](TfrmOptions& dialog) {
        headless_->Click(dialog, kShowLinesBox);
        headless_->Click(dialog, kAskBox);
        GetParam().leave(*headless_, dialog);
    });
    RunCommand();
    EXPECT_TRUE(list_->GridLines());
    EXPECT_TRUE(OptionsSetting.IsShowLine);
    EXPECT_TRUE(OptionsSetting.IsAskBeforeDefrag);
    EXPECT_FALSE(OptionsSetting.RestorePoint);
    EXPECT_FALSE(fs::exists(OptionsFile()));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, LeaveWithoutOkTest,
    ::testing::Values(
        LeaveCase{"CancelButton", [](auto& h, TfrmOptions& d) { h.Click(d, kCancelButton); }},
        LeaveCase{"EscapeKey", [](auto& h, TfrmOptions& d) { h.PressKey(d, ui::Key::Escape); }},
        LeaveCase{"CloseBox", [](auto&, TfrmOptions& d) { d.Close(); }}),
    [](const ::testing::TestParamInfo<LeaveCase>& info) { return std::string(info.param.name); });

TEST_F(OptionsDialogTest, EnterConfirmsLikeOk) {
    WhenShown([&](TfrmOptions& dialog) {
        headless_->Click(dialog, kShowLinesBox);
        headless_->PressKey(dialog, ui::Key::Enter);
    });
    RunCommand();
    EXPECT_FALSE(OptionsSetting.IsShowLine);
    EXPECT_TRUE(fs::exists(OptionsFile()));
}

TEST_F(OptionsDialogTest, OpensOnTheFirstBoxAndTabRunsThroughTheGroupBoxThenOkThenCancel) {
    std::vector<std::string> order;
    WhenShown([&](TfrmOptions& dialog) {
        for (int i = 0; i < 6; ++i) {
            order.push_back(dialog.ActiveControl() ? dialog.ActiveControl()->Name() : "");
            headless_->PressKey(dialog, ui::Key::Tab);
        }
        dialog.Close();
    });
    RunCommand();
    EXPECT_EQ(order, (std::vector<std::string>{"cbAskBeforeDefrag", "cbShowLines", "cbCreateRestore", "bOK",
                                               "bCancel", "cbAskBeforeDefrag"}));
}

#ifndef _WIN32
TEST_F(OptionsDialogTest, AReadOnlyFileIsReportedAfterTheGridLinesWereApplied) {
    testing::WriteBytes(OptionsFile(), "[Options]\r\nIsShowLine=1\r\n");
    fs::permissions(OptionsFile(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    WhenShown([&](TfrmOptions& dialog) {
        headless_->Click(dialog, kShowLinesBox);
        headless_->Click(dialog, kOkButton);
    });
    // As from a click on the Options button: the error reaches the application's handler.
    app_->Guard([&] { RunCommand(); });
    EXPECT_FALSE(list_->GridLines());
    ASSERT_EQ(headless_->MessageBoxes().size(), 1u);
    const auto& box = headless_->MessageBoxes()[0].request;
    EXPECT_EQ(box.text, "Unable to write to " + OptionsFile() + ".");
    EXPECT_EQ(box.caption, "Varnel Kelvara");
    EXPECT_EQ(box.icon, ui::MsgIcon::Stop);
    EXPECT_EQ(testing::ReadBytes(OptionsFile()), "[Options]\r\nIsShowLine=1\r\n");
    // The dialog is gone all the same.
    EXPECT_EQ(app_->Forms().size(), 1u);
}
#endif

}  // namespace
}  // namespace kelvara::settings
