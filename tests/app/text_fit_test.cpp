// The main window's captions whole in the font they are drawn with: column titles, labels and
// flat buttons; what grows, grows to the right and stays inside the window.
#include "main_window_fixture.h"

#include "app/caption_width.h"
#include "controls/flat_button.h"
#include "ui/headless/recording_canvas.h"
#include "ui/list_view.h"
#include "ui/standard_controls.h"

namespace kelvara::app::testing {
namespace {

int Measured(const std::string& text, const ui::Font& font)
{
    return ui::headless::RecordingCanvas::MeasureText(text, font).width;
}

TEST_F(MainWindowTest, ColumnWidthsTable)
{
    const ui::Font font;
    const int titleRoom = ColumnTitleWidth("Current Size", font);
    ASSERT_GT(titleRoom, Measured("Current Size", font) + 11) << "the header's margins count";
    const int nameRoom = ColumnTitleWidth("Hive Name", font);
    struct Case {
        const char* what;
        std::vector<ui::ListColumn> columns;
        int room;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"wide enough: as designed", {{"Hive Name", 205}, {"Current Size", 200}}, 500, {205, 200}},
        {"too narrow, room to spare", {{"Hive Name", 205}, {"Current Size", 20}}, 500, {205, titleRoom}},
        {"too narrow, the first column gives way",
         {{"Hive Name", 205}, {"Current Size", 20}},
         225,
         {205 - (titleRoom - 20), titleRoom}},
        {"the first column keeps its own title whole",
         {{"Hive Name", 70}, {"Current Size", 20}},
         100,
         {nameRoom, titleRoom}},
        {"designed wider than the room: only the growth is taken back",
         {{"Hive Name", 205}, {"Current Size", 100}},
         200,
         {205, 100}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitColumnWidths(c.columns, c.room, font), c.expected) << c.what;
}

TEST_F(MainWindowTest, EveryColumnTitleOfTheMainListIsWhole)
{
    TfrmMain& form = CreateAndShow();
    const ui::TListView& list = form.lvMain();
    int total = 0;
    for (int i = 0; i < list.ColumnCount(); ++i) {
        const ui::ListColumn& column = list.Column(i);
        EXPECT_GE(column.width, ColumnTitleWidth(column.caption, list.GetFont())) << column.caption;
        total += column.width;
    }
    EXPECT_LE(total, list.Width() - 4) << "no horizontal scroll bar";
    EXPECT_GE(list.Column(0).width, 150) << "the hive names keep most of the room";
}

TEST_F(MainWindowTest, EveryLabelAndButtonCaptionIsWholeAndInsideTheWindow)
{
    TfrmMain& form = CreateAndShow();
    for (ui::Component* component : form.Components()) {
        auto* control = dynamic_cast<ui::Control*>(component);
        if (control == nullptr || !control->Visible())
            continue;
        auto* label = dynamic_cast<ui::TLabel*>(component);
        auto* button = dynamic_cast<controls::TFlatButton*>(component);
        if (label == nullptr && button == nullptr)
            continue;
        const std::string text = ui::StripAccessKey(control->Caption());
        EXPECT_GE(control->Width(), Measured(text, control->GetFont())) << control->Name();
        EXPECT_LE(control->Left() + control->Width(), form.ClientWidth()) << control->Name();
    }
}

TEST_F(MainWindowTest, LabelsGrowToTheRightUpToTheWindowsEdge)
{
    TfrmMain& form = Create();
    ui::TLabel& hint = form.Label("Label3");
    ui::TLabel& total = form.Label("lSizeReduction");
    const ui::Rect hintBefore = hint.Bounds();
    const ui::Rect totalBefore = total.Bounds();
    hint.SetCaption("3. Defrag the registry, then restart the computer to finish.");
    total.SetCaption("123,456,789,012 KB");
    const std::vector<std::string> grown = FitLabelWidths(form);
    // The link label sized itself to what the font measures; it gets the room painting takes.
    EXPECT_EQ(grown, (std::vector<std::string>{"Label3", "URLLabel1"}));
    EXPECT_EQ(hint.Left(), hintBefore.left);
    EXPECT_EQ(hint.Top(), hintBefore.top);
    EXPECT_EQ(hint.Left() + hint.Width(), form.ClientWidth() - 2) << "stops at the edge";
    EXPECT_EQ(total.Bounds(), totalBefore) << "a right-aligned total keeps its place";

    // A short text leaves a designed width alone.
    hint.SetCaption("3.");
    EXPECT_TRUE(FitLabelWidths(form).empty());
}

}  // namespace
}  // namespace kelvara::app::testing
