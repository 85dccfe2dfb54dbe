// Message boxes, the default error handler, popup menus and URLs through the headless set.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/menu.h"
#include "ui/standard_controls.h"
#include "ui/thread.h"
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

namespace kelvara::ui::testing {
namespace {

// The Linux program has no screen: boxes go to stderr and take their default answer, and the
// main loop, with nothing left to do, closes the main window.
TEST(ConsoleMode, BoxesArePrintedAndAnsweredByTheirDefault) {
    auto widgets = std::make_unique<headless::HeadlessWidgetSet>(headless::Mode::Console);
    headless::HeadlessWidgetSet& ui = *widgets;
    Application app(std::move(widgets));
    app.SetTitle("Varnel Kelvara");
    ui.ScriptMessageBoxAnswer(mrNo);  // scripts are for tests; a console run ignores them
    ::testing::internal::CaptureStderr();
    int answer = app.MessageBox("Create restore point failed. Continue?", "Varnel Kelvara", MsgButtons::YesNo,
                                MsgIcon::Question, 0);
    app.Guard([] { throw std::runtime_error("Unable to write to /x/options.ini"); });
    std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, mrYes);
    EXPECT_EQ(printed,
              "Varnel Kelvara: Create restore point failed. Continue?\n"
              "Varnel Kelvara: Unable to write to /x/options.ini.\n");
}

TEST(ConsoleMode, TheMainLoopWaitsForAWorkerThenClosesTheMainWindow) {
    Application app(std::make_unique<headless::HeadlessWidgetSet>(headless::Mode::Console));
    auto& main = app.CreateForm<Form>();
    std::vector<int> got;
    constexpr unsigned WM_REPORT = WmUser + 7;
    main.OnMessage(WM_REPORT, [&](const Message& m) { got.push_back(static_cast<int>(m.lParam)); });
    struct Reporter : Thread {
        explicit Reporter(FormHandle h) : target(h) { SetFreeOnTerminate(true); }
        void Execute() override {
            for (int i = 1; i <= 3; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                target.Post(WM_REPORT, 0, i);
            }
        }
        FormHandle target;
    };
    StartThread<Reporter>(false, main.Handle());
    app.Run();
    EXPECT_EQ(got, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(app.Terminated());
}

}  // namespace
}  // namespace kelvara::ui::testing
