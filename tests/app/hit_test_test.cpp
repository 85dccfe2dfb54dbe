// Where the main window can be dragged: the background and the gaps, but not labels, pictures
// other than the background, or flat buttons (disabled ones included, hidden ones not).
#include "main_window_fixture.h"

namespace kelvara::app::testing {
namespace {

struct BackgroundCase {
    const char* what;
    int x, y;
    bool overBackground;
};

// Positions after creation: the Help column has closed up (Language 221, Help 252, Exit 283)
// and the buttons have their designed widths.
const BackgroundCase kBackgroundCases[] = {
    {"empty header", 300, 30, true},
    {"background picture's own corner", 0, 0, true},
    {"title label", 100, 20, false},
    {"title label, right bottom corner (edges count)", 214, 28, false},
    {"just right of the title label", 215, 20, true},
    {"just below the title label", 100, 29, true},
    {"heading 'Main', top left corner", 13, 67, false},
    {"heading 'Main', right bottom corner", 101, 80, false},
    {"left of heading 'Main'", 12, 70, true},
    {"Analyze button", 50, 100, false},
    {"gap between Analyze and Defrag", 50, 120, true},
    {"disabled Defrag button", 50, 130, false},
    {"Defrag button's bottom edge", 50, 147, false},
    {"close picture", 530, 20, false},
    {"minimise button (answers its own hit tests)", 500, 20, true},
    {"web link", 450, 45, false},
    {"Language button in the home page button's old place", 40, 230, false},
    {"hidden home page button, beside Language", 82, 230, true},
    {"hidden home page button's left column", 15, 230, true},
    {"Exit button moved up", 30, 290, false},
    {"where Exit was designed, now empty", 30, 330, true},
    {"list view (answers its own hit tests)", 300, 150, true},
    {"separator line under 'Main' (windowed)", 50, 85, true},
    {"total label, empty text", 250, 315, false},
    {"step hint", 400, 350, false},
    {"gap between the step hints and the right edge", 552, 340, true},
};

class BackgroundTest : public MainWindowTest, public ::testing::WithParamInterface<BackgroundCase> {};

TEST_P(BackgroundTest, IsOverBackground)
{
    const BackgroundCase& c = GetParam();
    TfrmMain& form = Create();
    EXPECT_EQ(form.IsOverBackground(c.x, c.y), c.overBackground) << c.what << " at " << c.x << "," << c.y;
}

TEST_P(BackgroundTest, HitTestTurnsBackgroundIntoCaption)
{
    const BackgroundCase& c = GetParam();
    TfrmMain& form = CreateAndShow();
    const ui::Point screen{form.Left() + c.x, form.Top() + c.y};
    const int expected = c.overBackground ? ui::HtCaption : ui::HtClient;
    EXPECT_EQ(form.NcHitTest(screen, ui::HtClient), expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(MainWindow, BackgroundTest, ::testing::ValuesIn(kBackgroundCases));

TEST_F(MainWindowTest, HitTestLeavesOtherResultsAlone)
{
    TfrmMain& form = CreateAndShow();
    const ui::Point background{form.Left() + 300, form.Top() + 30};
    EXPECT_EQ(form.NcHitTest(background, ui::HtNowhere), ui::HtNowhere);
    EXPECT_EQ(form.NcHitTest(background, ui::HtCaption), ui::HtCaption);
}

TEST_F(MainWindowTest, HitTestUsesTheWindowsScreenPosition)
{
    TfrmMain& form = CreateAndShow();
    form.SetScreenPosition({100, 50});
    // Client 20,15 is the title label; the same screen point read as client coordinates
    // would be the empty header.
    EXPECT_EQ(form.NcHitTest({120, 65}, ui::HtClient), ui::HtClient);
    EXPECT_EQ(form.NcHitTest({400, 80}, ui::HtClient), ui::HtCaption);
}

TEST_F(MainWindowTest, DraggingTheBackgroundMovesTheWindowButNotALabel)
{
    TfrmMain& form = CreateAndShow();
    const ui::Point start{form.Left(), form.Top()};

    headless_->Drag(form, {100, 20}, {140, 60});   // on the title
    EXPECT_EQ(ui::Point(form.Left(), form.Top()), start);

    headless_->Drag(form, {300, 30}, {340, 70});   // on the background
    EXPECT_EQ(ui::Point(form.Left(), form.Top()), (ui::Point{start.x + 40, start.y + 40}));
}

}  // namespace
}  // namespace kelvara::app::testing
