// The main window as created: the Help column closed up with the frame colours handed down,
// the version in the title, the totals empty; and the flat buttons fitted to their captions.
#include "main_window_fixture.h"

#include "controls/flat_button.h"
#include "ui/headless/recording_canvas.h"
#include "ui/list_view.h"
#include "ui/menu.h"
#include "ui/standard_controls.h"

namespace kelvara::app::testing {
namespace {

int FittedWidth(const TfrmMain& form, const std::string& caption)
{
    return ui::headless::RecordingCanvas::MeasureText(caption, form.GetFont()).width + 17;
}

TEST_F(MainWindowTest, HelpColumnClosesUpWhereTheHomePageButtonWas)
{
    TfrmMain& form = Create();
    struct Expected {
        const char* name;
        int top;
        ui::Color border;
    };
    const Expected column[] = {
        {"bLanguage", 221, 15658993},
        {"bAbout", 252, 16054005},
        {"bExit", 283, 15790833},
    };
    for (const Expected& e : column) {
        const controls::TFlatButton& button = form.FlatButton(e.name);
        EXPECT_EQ(button.Top(), e.top) << e.name;
        EXPECT_EQ(button.ColorBorder(), e.border) << e.name;
        EXPECT_TRUE(button.Visible()) << e.name;
    }
    EXPECT_FALSE(form.FlatButton("bHomepage").Visible());
    // The Main group keeps its designed colours.
    EXPECT_EQ(form.FlatButton("bAnalyzeRegistry").ColorBorder(), 14606560u);
    EXPECT_EQ(form.FlatButton("bOptions").ColorBorder(), 14869732u);
}

TEST_F(MainWindowTest, CreationSetsTitleTotalsAndFlags)
{
    TfrmMain& form = Create();
    EXPECT_EQ(form.Label("lTitle").Caption(), "Varnel Kelvara 2.2");
    for (const char* total : {"lCurrentRegistrySize", "lNewRegistrySize", "lSizeReduction", "lCompactPercent"})
        EXPECT_EQ(form.Label(total).Caption(), "") << total;
    EXPECT_FALSE(form.SilentMode);
    EXPECT_TRUE(form.HiveKeyList.empty());
    EXPECT_TRUE(form.HiveFileList.empty());
    EXPECT_FALSE(form.FlatButton("bDefragRegistry").Enabled());
    EXPECT_EQ(form.ClientWidth(), 556);
    EXPECT_EQ(form.ClientHeight(), 392);
    EXPECT_EQ(form.GetBorderStyle(), ui::BorderStyle::None);
    EXPECT_EQ(form.WindowClassName(), "Varnel Kelvara Made by Varnel Software");
}

TEST_F(MainWindowTest, CreationReadsTheSettingsFile)
{
    WriteOptions("[Options]\r\nIsShowLine=0\r\nLan=German\r\n");
    Create();
    EXPECT_FALSE(settings::OptionsSetting.IsShowLine);
    EXPECT_EQ(settings::OptionsSetting.Lan, "German");
    EXPECT_TRUE(settings::OptionsSetting.IsAskBeforeDefrag);   // missing key: its default
}

TEST_F(MainWindowTest, PicturesAreLoaded)
{
    TfrmMain& form = Create();
    const ui::Picture& background = form.Get<ui::TImage>("Image1").GetPicture();
    EXPECT_EQ(background.Width(), 556);
    EXPECT_EQ(background.Height(), 393);
    EXPECT_EQ(form.Get<ui::TImage>("bClose").GetPicture().Width(), 24);
    EXPECT_EQ(form.Get<ui::TImage>("Image1").PopupMenu(), &form.PopupMenu("pmHelp"));
}

TEST_F(MainWindowTest, FitButtonWidthsFollowsTheCaptions)
{
    TfrmMain& form = Create();
    form.FlatButton("bOptions").SetCaption("Einstellungen und Optionen");
    const int optionsLeft = form.FlatButton("bOptions").Left();
    const ui::Rect listBefore = form.lvMain().Bounds();
    const ui::Rect titleBefore = form.Label("lTitle").Bounds();

    form.FitButtonWidths();

    EXPECT_EQ(form.FlatButton("bOptions").Width(), FittedWidth(form, "Einstellungen und Optionen"));
    EXPECT_GT(form.FlatButton("bOptions").Width(), 56);
    EXPECT_EQ(form.FlatButton("bOptions").Left(), optionsLeft);
    EXPECT_EQ(form.FlatButton("bExit").Width(), FittedWidth(form, "Exit"));
    // The hidden button is fitted too; other kinds keep their sizes.
    EXPECT_EQ(form.FlatButton("bHomepage").Width(), FittedWidth(form, "Homepage"));
    EXPECT_EQ(form.lvMain().Bounds(), listBefore);
    EXPECT_EQ(form.Label("lTitle").Bounds(), titleBefore);
}

TEST_F(MainWindowTest, FitButtonWidthsIgnoresAccessKeyMarks)
{
    TfrmMain& form = Create();
    form.FlatButton("bExit").SetCaption("E&xit");
    form.FitButtonWidths();
    EXPECT_EQ(form.FlatButton("bExit").Width(), FittedWidth(form, "Exit"));
}

TEST_F(MainWindowTest, MenusHoldEveryItemInOrder)
{
    TfrmMain& form = Create();
    std::vector<std::string> help;
    for (ui::TMenuItem* item : form.PopupMenu("pmHelp").Items())
        help.push_back(item->Name());
    EXPECT_EQ(help, (std::vector<std::string>{"pmiHelp", "N5", "Homepage1", "N1", "pmiCheckUpdate", "N2", "pmiUndo", "N7", "About1"}));

    const auto& languages = form.PopupMenu("pmLanguage").Items();
    ASSERT_EQ(languages.size(), 23u);
    EXPECT_EQ(languages.front()->Name(), "miBrazilianPortuguese");
    EXPECT_TRUE(languages[21]->IsSeparator());
    EXPECT_EQ(languages.back()->Caption(), "Other");
}

}  // namespace
}  // namespace kelvara::app::testing
