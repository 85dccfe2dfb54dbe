// Message boxes, the default error handler, popup menus and URLs through the headless set.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/menu.h"
#include "ui/standard_controls.h"
#include "ui_fixture.h"

namespace kelvara::ui::testing {
namespace {

class DialogsTest : public UiTest {};

TEST_F(DialogsTest, AnExceptionEscapingAHandlerIsShownAndTheProgramGoesOn) {
    Form form;
    form.SetClientSize(200, 100);
    auto& save = form.Add<TButton>("bSave", {10, 10, 80, 25});
    auto& other = form.Add<TButton>("bOther", {100, 10, 80, 25});
    bool afterThrow = false, otherRan = false;
    save.OnClick = [&](Component&) {
        throw std::runtime_error("Unable to write to C:\\Program Files\\Kelvara\\options.ini");
        afterThrow = true;
    };
    other.OnClick = [&](Component&) { otherRan = true; };
    form.Show();
    ui->Click(form, {20, 20});
    ui->Click(form, {110, 20});
    ASSERT_EQ(ui->MessageBoxes().size(), 1u);
    const MessageBoxRequest& box = ui->MessageBoxes()[0].request;
    EXPECT_EQ(box.text, "Unable to write to C:\\Program Files\\Kelvara\\options.ini.");
    EXPECT_EQ(box.caption, "Varnel Kelvara");
    EXPECT_EQ(box.icon, MsgIcon::Stop);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_FALSE(afterThrow);
    EXPECT_TRUE(otherRan);
}

TEST_F(DialogsTest, ErrorTextsGetOneFullStop) {
    const std::pair<const char*, const char*> cases[] = {
        {"Disk full", "Disk full."}, {"Ends with a stop.", "Ends with a stop."}, {"", "."}};
    for (auto [what, shown] : cases) {
        app->Guard([what = what] { throw std::runtime_error(what); });
        EXPECT_EQ(ui->MessageBoxes().back().request.text, shown);
    }
}

TEST_F(DialogsTest, ScriptedAnswersInOrderThenTheDefaultButton) {
    ui->ScriptMessageBoxAnswer(mrNo);
    ui->ScriptMessageBoxAnswer(mrYes);
    struct Case {
        MsgButtons buttons;
        int defaultButton;
        int expected;
    };
    const Case cases[] = {
        {MsgButtons::YesNo, 0, mrNo},       // scripted
        {MsgButtons::YesNo, 1, mrYes},      // scripted
        {MsgButtons::YesNo, 0, mrYes},      // default: first button
        {MsgButtons::YesNo, 1, mrNo},       // default: second button
        {MsgButtons::Ok, 0, mrOk},
        {MsgButtons::OkCancel, 1, mrCancel},
    };
    for (const Case& c : cases)
        EXPECT_EQ(app->MessageBox("Create restore point failed. Continue?", "Varnel Kelvara", c.buttons,
                                  MsgIcon::Question, c.defaultButton),
                  c.expected);
    ASSERT_EQ(ui->MessageBoxes().size(), std::size(cases));
    EXPECT_EQ(ui->MessageBoxes()[0].request.icon, MsgIcon::Question);
    EXPECT_EQ(ui->MessageBoxes()[3].answer, mrNo);
}

class MenuTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        form = std::make_unique<Form>();
        form->SetClientSize(300, 200);
        form->SetBorderStyle(BorderStyle::None);
        const ComponentSpec table[] = {
            {Kind<TImage>, "Image1", {0, 0, 300, 200}},
            {Kind<TPopupMenu>, "pmLanguage"},
            {Kind<TMenuItem>, "miEnglish", {}, "&English", "", 0, "pmLanguage"},
            {Kind<TMenuItem>, "N6", {}, "-", "", 0, "pmLanguage"},
            {Kind<TMenuItem>, "miGerman", {}, "&German", "", 0, "pmLanguage"},
            {Kind<TMenuItem>, "miOther", {}, "Other", "", kDisabled, "pmLanguage"},
        };
        form->AddComponents(table);
        for (const char* name : {"miEnglish", "N6", "miGerman", "miOther"})
            form->Get<TMenuItem>(name).OnClick = [this](Component& sender) { clicked.push_back(sender.Name()); };
        menu = &form->Get<TPopupMenu>("pmLanguage");
        form->Show();
    }
    std::unique_ptr<Form> form;
    TPopupMenu* menu = nullptr;
    std::vector<std::string> clicked;
};

TEST_F(MenuTest, TheScriptedChoiceRunsItsHandlerWithTheItemAsSender) {
    ui->ScriptPopupChoice("miGerman");
    ui->SetCursorPos({40, 50});
    EXPECT_EQ(menu->Popup(app->CursorPos()), &form->Get<TMenuItem>("miGerman"));
    EXPECT_EQ(clicked, (std::vector<std::string>{"miGerman"}));
    ASSERT_EQ(ui->Popups().size(), 1u);
    EXPECT_EQ(ui->Popups()[0].screen, (Point{40, 50}));
    EXPECT_EQ(ui->Popups()[0].itemNames, (std::vector<std::string>{"miEnglish", "N6", "miGerman", "miOther"}));
}

TEST_F(MenuTest, SeparatorsDisabledItemsAndNoChoiceRunNothing) {
    for (const char* choice : {"N6", "miOther", "miMissing"}) {
        ui->ScriptPopupChoice(choice);
        EXPECT_EQ(menu->Popup({0, 0}), nullptr) << choice;
    }
    EXPECT_EQ(menu->Popup({0, 0}), nullptr);  // dismissed
    EXPECT_TRUE(clicked.empty());
    EXPECT_EQ(ui->Popups().size(), 4u);
}

TEST_F(MenuTest, ARightClickShowsTheControlsContextMenu) {
    form->Get<TImage>("Image1").SetPopupMenu(menu);
    ui->ScriptPopupChoice("miEnglish");
    ui->Click(*form, {150, 100}, MouseButton::Right);
    EXPECT_EQ(clicked, (std::vector<std::string>{"miEnglish"}));
    ASSERT_EQ(ui->Popups().size(), 1u);
    EXPECT_EQ(ui->Popups()[0].screen, form->ClientToScreen({150, 100}));
}

TEST_F(DialogsTest, UrlsGoThroughTheWidgetSet) {
    EXPECT_TRUE(app->OpenUrl("https://example.org/"));
    ui->SetOpenUrlResult(false);
    EXPECT_FALSE(app->OpenUrl("https://example.org/help"));
    EXPECT_EQ(ui->OpenedUrls(), (std::vector<std::string>{"https://example.org/", "https://example.org/help"}));
}

}  // namespace
}  // namespace kelvara::ui::testing
