// Showing, modal results, the close sequence, placement, and the headless main loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/standard_controls.h"
#include "ui/thread.h"
#include "ui_fixture.h"

namespace kelvara::ui::testing {
namespace {

// A dialog that logs its events and has OK / Cancel / Yes / No buttons.
class TfrmDialog : public Form {
public:
    explicit TfrmDialog(std::vector<std::string>& log, Form* owner = nullptr) : Form(owner), log_(log) {
        SetName("frmDialog");
        SetClientSize(300, 120);
        SetPosition(FormPosition::OwnerFormCenter);
        const ComponentSpec table[] = {
            {Kind<TButton>, "bOK", {10, 80, 60, 25}, "OK", "", kDefault},
            {Kind<TButton>, "bCancel", {80, 80, 60, 25}, "Cancel", "", kCancel},
            {Kind<TButton>, "bYes", {150, 80, 60, 25}, "&Yes"},
            {Kind<TButton>, "bNo", {220, 80, 60, 25}, "&No"},
        };
        AddComponents(table);
        Get<TButton>("bOK").SetModalResult(mrOk);
        Get<TButton>("bCancel").SetModalResult(mrCancel);
        Get<TButton>("bYes").SetModalResult(mrYes);
        Get<TButton>("bNo").SetModalResult(mrNo);
    }
    void FormCreate() override { log_.push_back("create"); }
    void FormShow() override { log_.push_back("show"); }
    void FormActivate() override { log_.push_back("activate"); }
    void FormClose(CloseAction& action) override {
        log_.push_back("close");
        if (refuseCloses > 0) {
            --refuseCloses;
            action = CloseAction::None;
        }
    }
    int refuseCloses = 0;

private:
    std::vector<std::string>& log_;
};

class FormTest : public UiTest {};

TEST_F(FormTest, ModalResultComesFromTheButtonClicked) {
    struct Case {
        const char* button;
        int result;
    };
    const Case cases[] = {{"bOK", mrOk}, {"bCancel", mrCancel}, {"bYes", mrYes}, {"bNo", mrNo}};
    for (const Case& c : cases) {
        std::vector<std::string> log;
        auto dialog = CreateForm<TfrmDialog>(log);
        ui->SetIdleHook([&](Form& top) {
            EXPECT_EQ(&top, dialog.get());
            Rect b = top.Get<TButton>(c.button).BoundsInForm();
            ui->Click(top, {b.left + 5, b.top + 5});
            return true;
        });
        EXPECT_EQ(dialog->ShowModal(), c.result) << c.button;
        EXPECT_EQ(log, (std::vector<std::string>{"create", "show", "activate", "close"})) << c.button;
        EXPECT_FALSE(dialog->Visible());
    }
}

TEST_F(FormTest, TheCloseBoxGivesCancel) {
    std::vector<std::string> log;
    auto dialog = CreateForm<TfrmDialog>(log);
    ui->SetIdleHook([&](Form& top) {
        top.Post(WmClose);  // what the system sends for the close box
        return true;
    });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_EQ(log.back(), "close");
}

TEST_F(FormTest, EnterAndEscapeClickTheDefaultAndCancelButtons) {
    const std::pair<Key, int> cases[] = {{Key::Enter, mrOk}, {Key::Escape, mrCancel}};
    for (auto [key, result] : cases) {
        std::vector<std::string> log;
        auto dialog = CreateForm<TfrmDialog>(log);
        ui->SetIdleHook([&, key = key](Form& top) {
            ui->PressKey(top, key);
            return true;
        });
        EXPECT_EQ(dialog->ShowModal(), result);
    }
}

// A worker that posts its last message and ends while the loop runs its idle step: the loop
// finds no worker left, but the message is already queued and must be handled before the window
// counts as idle and is closed.
class LastWords : public Thread {
public:
    explicit LastWords(FormHandle window) : window_(std::move(window)) {}

protected:
    void Execute() override { window_.Post(kLastWords); }

public:
    static constexpr unsigned kLastWords = 0x8123;

private:
    FormHandle window_;
};

TEST_F(FormTest, AWorkersLastPostIsHandledBeforeTheIdleWindowCloses) {
    std::vector<std::string> log;
    auto dialog = CreateForm<TfrmDialog>(log);
    dialog->OnMessage(LastWords::kLastWords, [&](const Message&) { log.push_back("last words"); });
    bool started = false;
    ui->SetIdleHook([&](Form& top) {
        if (started) return false;
        started = true;
        LastWords* worker = StartThread<LastWords>(false, top.Handle());
        worker->WaitFor();   // posted and ended before the loop looks for workers
        delete worker;
        return false;
    });
    dialog->ShowModal();
    ASSERT_NE(std::find(log.begin(), log.end(), "last words"), log.end());
    EXPECT_LT(std::find(log.begin(), log.end(), "last words"), std::find(log.begin(), log.end(), "close"));
}

TEST_F(FormTest, FormCloseCanKeepAModalFormOpen) {
    std::vector<std::string> log;
    auto dialog = CreateForm<TfrmDialog>(log);
    dialog->refuseCloses = 1;
    int idle = 0;
    ui->SetIdleHook([&](Form& top) {
        ++idle;
        ui->PressKey(top, Key::Enter);
        return true;
    });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(idle, 2);  // the first OK was refused by FormClose
    EXPECT_EQ(std::count(log.begin(), log.end(), "close"), 2);
}

TEST_F(FormTest, ModalShowingDisablesTheOtherFormsUntilItEnds) {
    std::vector<std::string> mainLog, dialogLog;
    auto& main = app->CreateForm<TfrmDialog>(mainLog);
    main.Show();
    auto dialog = CreateForm<TfrmDialog>(dialogLog, &main);
    bool mainTookInput = false;
    main.Get<TButton>("bYes").OnClick = [&](Component&) { mainTookInput = true; };
    ui->SetIdleHook([&](Form& top) {
        ui->Click(main, {155, 85});  // ignored: the owner is disabled
        ui->PressKey(top, Key::Escape);
        return true;
    });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(mainTookInput);
    EXPECT_EQ(app->ActiveForm(), &main);  // the owner is active again
    ui->SetIdleHook(nullptr);
    ui->Click(main, {155, 85});
    EXPECT_TRUE(mainTookInput);
}

TEST_F(FormTest, FormShowRunsOnTheFirstShowingOnly) {
    std::vector<std::string> log;
    auto form = CreateForm<TfrmDialog>(log);
    form->Show();
    form->Hide();
    form->Show();
    EXPECT_EQ(std::count(log.begin(), log.end(), "show"), 1);
    EXPECT_TRUE(ui->IsShowing(*form));
}

TEST_F(FormTest, PlacementCentresOnTheDesktopOrTheOwner) {
    std::vector<std::string> log;
    auto& main = app->CreateForm<TfrmDialog>(log);
    main.SetBorderStyle(BorderStyle::None);
    main.SetClientSize(556, 392);
    main.SetPosition(FormPosition::ScreenCenter);
    main.Show();
    Rect work = ui->WorkArea();
    EXPECT_EQ(main.Left(), (work.width - 556) / 2);
    EXPECT_EQ(main.Top(), (work.height - 392) / 2);
    EXPECT_EQ(main.ScreenToClient({main.Left() + 7, main.Top() + 9}), (Point{7, 9}));

    auto dialog = CreateForm<TfrmDialog>(log, &main);
    ui->SetIdleHook([&](Form& top) {
        Size outer = top.Peer()->WindowSize();
        // Centred to within the pixel that halving odd sizes loses.
        EXPECT_NEAR(top.Left() + outer.width / 2, main.Left() + 556 / 2, 1);
        EXPECT_NEAR(top.Top() + outer.height / 2, main.Top() + 392 / 2, 1);
        EXPECT_GT(top.ClientOffset().y, 0);  // a dialog has a caption
        top.Close();
        return true;
    });
    dialog->ShowModal();
}

TEST_F(FormTest, TheMainLoopClosesTheMainFormWhenNothingIsLeft) {
    std::vector<std::string> log;
    auto& main = app->CreateForm<TfrmDialog>(log);
    bool handled = false;
    constexpr unsigned WM_SOMETHING = WmUser + 1;
    main.OnMessage(WM_SOMETHING, [&](const Message&) { handled = true; });
    main.Post(WM_SOMETHING);
    app->Run();
    EXPECT_TRUE(handled);  // pending work first
    EXPECT_EQ(log, (std::vector<std::string>{"create", "show", "activate", "close"}));
    EXPECT_TRUE(app->Terminated());
    EXPECT_EQ(app->MainForm(), &main);  // still there to be read after the run
}

TEST_F(FormTest, AFormThatNeverClosesDoesNotHangTheLoop) {
    std::vector<std::string> log;
    auto& main = app->CreateForm<TfrmDialog>(log);
    main.refuseCloses = 1000;
    app->Run();
    EXPECT_TRUE(app->Terminated());
    EXPECT_GE(std::count(log.begin(), log.end(), "close"), 1);
}

TEST_F(FormTest, SystemCommandMinimiseMinimisesTheApplication) {
    std::vector<std::string> log;
    auto& main = app->CreateForm<TfrmDialog>(log);
    main.Show();
    main.Post(WmSysCommand, ScMinimize, 0);
    ui->AdvanceClock(0);
    EXPECT_TRUE(app->IsMinimized());
    EXPECT_TRUE(main.Minimized());
    app->Restore();
    EXPECT_FALSE(app->IsMinimized());
}

TEST_F(FormTest, TheWindowClassNameIsFixedBeforeTheWindowExists) {
    std::vector<std::string> log;
    auto form = CreateForm<TfrmDialog>(log);
    EXPECT_THROW(form->SetWindowClassName("Late"), ComponentError);
    Form early;
    EXPECT_THROW(early.SetWindowClassName(std::string(64, 'x')), ComponentError);
    early.SetWindowClassName(std::string(63, 'x'));
    EXPECT_EQ(early.WindowClassName().size(), 63u);
}

}  // namespace
}  // namespace kelvara::ui::testing
