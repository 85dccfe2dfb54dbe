// The simulated mouse and keyboard: hit test and drag, enter/leave, capture and clicks on
// windowless and self-drawn windowed controls, the tab order and access keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/list_view.h"
#include "ui/standard_controls.h"
#include "ui/win_control.h"
#include "ui_fixture.h"

namespace kelvara::ui::testing {
namespace {

// Logs the mouse events a control gets, by name.
template <class Base>
class Logged : public Base {
public:
    std::vector<std::string>* log = nullptr;
    void MouseEnter() override { Note("enter"); }
    void MouseLeave() override { Note("leave"); }
    void MouseDown(MouseButton, ShiftState, int x, int y) override { Note("down " + std::to_string(x) + "," + std::to_string(y)); }
    void MouseUp(MouseButton, ShiftState, int x, int y) override { Note("up " + std::to_string(x) + "," + std::to_string(y)); }
    void Click() override { Note("click"); }

private:
    void Note(const std::string& what) {
        if (log) log->push_back(this->Name() + " " + what);
    }
};

class Swatch : public Logged<CustomControl> {
public:
    void Paint(Canvas& canvas) override { canvas.FillRect(this->ClientRect(), clRed); }
};

// A frameless window that is dragged by its background, as the program's main window is.
class TfrmDrag : public Form {
public:
    explicit TfrmDrag(std::vector<std::string>& log) {
        SetName("frmDrag");
        SetBorderStyle(BorderStyle::None);
        SetClientSize(400, 300);
        SetPosition(FormPosition::ScreenCenter);
        const ComponentSpec table[] = {
            {Kind<TImage>, "Image1", {0, 0, 400, 300}},
            {Kind<Logged<TLabel>>, "lTitle", {10, 10, 100, 13}, "Title"},
            {Kind<Logged<TLabel>>, "lOff", {10, 40, 100, 13}, "Disabled", "", kDisabled | kHandCursor},
            {Kind<Swatch>, "bMinimize", {300, 10, 24, 24}, "", "", kHandCursor},
        };
        AddComponents(table);
        for (const char* name : {"lTitle", "lOff"}) Get<Logged<TLabel>>(name).log = &log;
        Get<Swatch>("bMinimize").log = &log;
    }
    int NcHitTest(Point screen, int defaultResult) override {
        if (defaultResult != HtClient) return defaultResult;
        Point p{screen.x - Left(), screen.y - Top()};
        for (Component* c : Components()) {
            auto* g = dynamic_cast<GraphicControl*>(c);
            if (!g || g->Name() == "Image1" || !g->Visible()) continue;
            if (p.x >= g->Left() && p.x <= g->Left() + g->Width() && p.y >= g->Top() && p.y <= g->Top() + g->Height())
                return HtClient;
        }
        return HtCaption;
    }
};

class MouseTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        form = CreateForm<TfrmDrag>(log);
        form->Show();
    }
    std::vector<std::string> log;
    std::unique_ptr<TfrmDrag> form;
};

TEST_F(MouseTest, DraggingTheBackgroundMovesTheWindow) {
    Point before{form->Left(), form->Top()};
    ui->Drag(*form, {200, 150}, {230, 110});
    EXPECT_EQ(form->Left(), before.x + 30);
    EXPECT_EQ(form->Top(), before.y - 40);
    EXPECT_TRUE(log.empty());
}

TEST_F(MouseTest, DraggingFromALabelDoesNotMoveTheWindow) {
    Point before{form->Left(), form->Top()};
    ui->Drag(*form, {20, 15}, {150, 25});
    EXPECT_EQ((Point{form->Left(), form->Top()}), before);
    // The label keeps the capture: the release reaches it, outside its bounds, and is no click.
    EXPECT_EQ(log, (std::vector<std::string>{"lTitle enter", "lTitle down 10,5", "lTitle leave", "lTitle up 140,15"}));
}

TEST_F(MouseTest, AClickNeedsPressAndReleaseOnTheSameControl) {
    ui->Click(*form, {20, 15});
    EXPECT_EQ(log, (std::vector<std::string>{"lTitle enter", "lTitle down 10,5", "lTitle up 10,5", "lTitle click"}));
    log.clear();
    ui->MouseDown(*form, {20, 15});
    ui->MouseMove(*form, {20, 16});
    ui->MouseUp(*form, {20, 16});
    EXPECT_EQ(log.back(), "lTitle click");
}

TEST_F(MouseTest, ADisabledLabelSeesTheHoverButNoPress) {
    ui->Click(*form, {20, 45});
    EXPECT_EQ(log, (std::vector<std::string>{"lOff enter"}));
    EXPECT_EQ(ui->CurrentCursor(), Cursor::HandPoint);
    ui->MouseMove(*form, {200, 200});
    EXPECT_EQ(log.back(), "lOff leave");
    EXPECT_EQ(ui->CurrentCursor(), Cursor::Default);
}

TEST_F(MouseTest, ASelfDrawnWindowedControlGetsItsOwnEvents) {
    auto& swatch = form->Get<Swatch>("bMinimize");
    ui->MouseMove(*form, {305, 15});
    EXPECT_TRUE(swatch.MouseInside());
    ui->Click(*form, {305, 15});
    ui->MouseDown(*form, {305, 15});
    ui->MouseMove(*form, {250, 100});  // dragged off while pressed
    ui->MouseUp(*form, {250, 100});
    EXPECT_EQ(log, (std::vector<std::string>{"bMinimize enter", "bMinimize down 5,5", "bMinimize up 5,5", "bMinimize click",
                                             "bMinimize down 5,5", "bMinimize up -50,90", "bMinimize leave"}));
    EXPECT_FALSE(swatch.MouseInside());
}

TEST_F(MouseTest, ControlAtPosFindsTheTopmostControl) {
    EXPECT_EQ(app->ControlAtPos(form->ClientToScreen({20, 15})), &form->Get<Control>("lTitle"));
    EXPECT_EQ(app->ControlAtPos(form->ClientToScreen({305, 15})), &form->Get<Control>("bMinimize"));
    EXPECT_EQ(app->ControlAtPos(form->ClientToScreen({200, 200})), &form->Get<Control>("Image1"));
    EXPECT_EQ(app->ControlAtPos({form->Left() - 5, form->Top()}), nullptr);
    form->Get<Control>("lTitle").Hide();
    EXPECT_EQ(app->ControlAtPos(form->ClientToScreen({20, 15})), &form->Get<Control>("Image1"));
}

TEST_F(MouseTest, TheActiveWindowIsOursOnlyWhileNoOtherApplicationIsActive) {
    EXPECT_EQ(app->ActiveForm(), form.get());
    ui->SetOtherAppActive(true);
    EXPECT_FALSE(app->HasActiveWindow());
    ui->Click(*form, {200, 150});  // clicking our window makes it active again
    EXPECT_EQ(app->ActiveForm(), form.get());
}

class TfrmKeys : public Form {
public:
    TfrmKeys() {
        SetClientSize(300, 200);
        const ComponentSpec table[] = {
            {Kind<TCheckBox>, "cbAsk", {10, 10, 120, 17}, "&Ask before defrag"},
            {Kind<TButton>, "bHidden", {10, 40, 75, 25}, "Hidden", "", kHidden},
            {Kind<TCheckBox>, "cbLines", {10, 70, 120, 17}, "Show &lines"},
            {Kind<TButton>, "bOK", {10, 100, 75, 25}, "OK"},
        };
        AddComponents(table);
    }
};

TEST_F(UiTest, TabWalksTheVisibleTabStopsInComponentOrder) {
    auto form = CreateForm<TfrmKeys>();
    form->Show();
    std::vector<std::string> order;
    for (int i = 0; i < 4; ++i) {
        ui->PressKey(*form, Key::Tab);
        order.push_back(form->ActiveControl()->Name());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"cbAsk", "cbLines", "bOK", "cbAsk"}));
    ui->PressKey(*form, Key::ShiftTab);
    EXPECT_EQ(form->ActiveControl()->Name(), "bOK");
}

TEST_F(UiTest, SpaceAndAccessKeysToggleCheckBoxes) {
    auto form = CreateForm<TfrmKeys>();
    form->Show();
    auto& ask = form->Get<TCheckBox>("cbAsk");
    int clicks = 0;
    ask.OnClick = [&](Component&) { ++clicks; };
    ui->PressKey(*form, Key::Tab);
    ui->PressKey(*form, Key::Space);
    EXPECT_TRUE(ask.Checked());
    ui->TypeChar(*form, 'A', true);
    EXPECT_FALSE(ask.Checked());
    ui->TypeChar(*form, 'L', true);
    EXPECT_TRUE(form->Get<TCheckBox>("cbLines").Checked());
    EXPECT_FALSE(form->HandleChar('z'));
    EXPECT_EQ(clicks, 2);
    ui->Click(*form, {20, 15});
    EXPECT_TRUE(ask.Checked());
    EXPECT_EQ(clicks, 3);
}

TEST_F(UiTest, AClickOnAListRowSelectsTheWholeRow) {
    Form form;
    form.SetClientSize(300, 200);
    auto& lv = form.Add<TListView>("lvMain", {10, 10, 280, 150});
    lv.AddColumn({"Hive Name", 205, TextAlign::Left});
    for (const char* hive : {"SYSTEM", "SOFTWARE", "SAM"}) lv.AddItem(hive, {"", "", ""});
    form.Show();
    const std::pair<int, int> clicks[] = {{10 + 17 + 14 + 3, 1}, {10 + 17 + 1, 0}, {10 + 5, -1}, {10 + 17 + 5 * 14, -1}};
    for (auto [y, row] : clicks) {
        ui->Click(form, {250, y});  // far right: the whole row counts
        EXPECT_EQ(lv.Selected(), row) << "y " << y;
    }
}

}  // namespace
}  // namespace kelvara::ui::testing
