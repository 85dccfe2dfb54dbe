// The Help menu, its web pages and the About dialog: reached from the Help button and from a
// right click on the background, opened at the cursor, each page opened through the shell.
#include <filesystem>

#include "app/about_form.h"
#include "main_window_fixture.h"
#include "settings/language_file.h"
#include "ui/menu.h"

namespace kelvara::app::testing {
namespace {

namespace fs = std::filesystem;

class HelpMenuTest : public MainWindowTest {
protected:
    ~HelpMenuTest() override { settings::SetLanguageProgramFolder(""); }

    // Runs `look` on the About dialog while it is up, then lets it close as a user would.
    void WhenAboutShown(std::function<void(TfrmAbout&)> look)
    {
        headless_->SetIdleHook([this, look](ui::Form& top) {
            auto* about = dynamic_cast<TfrmAbout*>(&top);
            if (about == nullptr || seenAbout_)
                return false;
            seenAbout_ = true;
            look(*about);
            return false;
        });
    }

    bool seenAbout_ = false;
};

TEST_F(HelpMenuTest, EveryPageOpensItsAddress)
{
    TfrmMain& form = CreateAndShow();
    struct Case {
        const char* item;
        std::string url;
    };
    const Case cases[] = {
        {"pmiHelp", folder_.Folder() + "Help.html"},   // shipped beside the program
        {"Homepage1", "http://www.varnelsoft.com/"},
        {"pmiCheckUpdate", "http://www.varnelsoft.com/"},
    };
    headless_->SetCursorPos({120, 340});
    for (const Case& c : cases) {
        headless_->ScriptPopupChoice(c.item);
        form.FlatButton("bAbout").Click();
        ASSERT_FALSE(headless_->OpenedUrls().empty()) << c.item;
        EXPECT_EQ(headless_->OpenedUrls().back(), c.url) << c.item;
        EXPECT_EQ(headless_->Popups().back().menuName, "pmHelp");
        EXPECT_EQ(headless_->Popups().back().screen.x, 120);
        EXPECT_EQ(headless_->Popups().back().screen.y, 340);
    }
    EXPECT_EQ(headless_->OpenedUrls().size(), 3u);

    // The hidden Homepage button does what the menu item does.
    form.bHomepageClick(form.FlatButton("bHomepage"));
    EXPECT_EQ(headless_->OpenedUrls().back(), "http://www.varnelsoft.com/");
}

TEST_F(HelpMenuTest, ARightClickOnTheBackgroundPopsUpTheHelpMenu)
{
    TfrmMain& form = CreateAndShow();
    headless_->ScriptPopupChoice("Homepage1");
    headless_->Click(form, {300, 20}, ui::MouseButton::Right);
    ASSERT_EQ(headless_->Popups().size(), 1u);
    EXPECT_EQ(headless_->Popups()[0].menuName, "pmHelp");
    EXPECT_EQ(headless_->Popups()[0].itemNames,
              (std::vector<std::string>{"pmiHelp", "N5", "Homepage1", "N1", "pmiCheckUpdate", "N2", "pmiUndo", "N7", "About1"}));
    ASSERT_EQ(headless_->OpenedUrls().size(), 1u);
}

TEST_F(HelpMenuTest, AboutShowsTheProductItsPicturesAndTheDesignedTextsInEnglish)
{
    TfrmMain& form = CreateAndShow();
    bool linkOpened = false;
    WhenAboutShown([&](TfrmAbout& about) {
        EXPECT_EQ(about.Caption(), "About Varnel Kelvara");
        EXPECT_EQ(about.ClientWidth(), 360);
        EXPECT_EQ(about.ClientHeight(), 249);
        EXPECT_EQ(about.Label("Label1").Caption(), "Varnel Kelvara");
        EXPECT_EQ(about.Label("Label2").Caption(), "Version: 2.2   Build 20130216");
        EXPECT_EQ(about.Label("Label3").Caption(), "Email: support@varnelsoft.com");
        EXPECT_EQ(about.Label("lbEAddress").Caption(), "http://www.varnelsoft.com/");
        EXPECT_TRUE(about.Label("lbEAddress").GetFont().underline);
        // Every label as wide as its text.
        for (const char* name : {"Label1", "lCopywrite", "Label2", "Label3", "lbEAddress"})
            EXPECT_GE(about.Label(name).Width(), about.TextWidth(about.Label(name).Caption())) << name;
        const ui::TImage& banner = about.Image("Image2");
        EXPECT_EQ(banner.GetPicture().Width(), 360);
        EXPECT_EQ(banner.GetPicture().Height(), 50);
        EXPECT_EQ(banner.Width(), 360);
        const ui::TImage& icon = about.Image("Image1");
        EXPECT_EQ(icon.GetPicture().Width(), 32);
        EXPECT_EQ(icon.GetPicture().Height(), 32);
        about.lbEAddressClick(about.Label("lbEAddress"));
        linkOpened = !headless_->OpenedUrls().empty() && headless_->OpenedUrls().back() == "http://www.varnelsoft.com/";
    });
    headless_->ScriptPopupChoice("About1");
    form.FlatButton("bAbout").Click();
    EXPECT_TRUE(seenAbout_);
    EXPECT_TRUE(linkOpened);
}

TEST_F(HelpMenuTest, AboutFollowsTheLanguageChosenWhileTheProgramRuns)
{
    fs::create_directories(folder_.Path() / "Languages");
    std::ofstream(folder_.Path() / "Languages" / "DLan_German.ini", std::ios::binary)
        << "[frmAbout]\r\nfrmAbout=\xdc" "ber Varnel Kelvara\r\nLabel1=Varnel Kelvara (deutsch)\r\nbOK=&Gut\r\n";
    TfrmMain& form = CreateAndShow();
    headless_->ScriptPopupChoice("miGerman");
    form.FlatButton("bLanguage").Click();
    ASSERT_EQ(settings::OptionsSetting.Lan, "German");

    WhenAboutShown([&](TfrmAbout& about) {
        EXPECT_EQ(about.Caption(), "\xdc" "ber Varnel Kelvara");
        EXPECT_EQ(about.Label("Label1").Caption(), "Varnel Kelvara (deutsch)");   // the file's, over the title
        EXPECT_EQ(about.bOK().Caption(), "&Gut");
        EXPECT_EQ(about.Label("Label2").Caption(), "Version: 2.2   Build 20130216");
    });
    form.bAboutClick(form);
    EXPECT_TRUE(seenAbout_);
}

// The way back sits in the Help menu: chosen there it asks, naming the date of the last
// defragmentation, and a No changes nothing.
TEST_F(HelpMenuTest, UndoFromTheHelpMenuAsksFirst)
{
    AddStandardHives();
    system_.AddFile("C:\\Windows\\System32\\config\\SYSTEM.bak", 300000);
    system_.SetDateTimeFormats("yyyy-MM-dd", "HH:mm");
    std::ofstream(folder_.Path() / "LastHandOver.ini", std::ios::binary)
        << "[Last Hand-over]\r\nCommand=Defrag\r\nTime=2026-12-01 08:00:00\r\nReported=1\r\nHives=0\r\n";
    TfrmMain& form = CreateAndShow();
    // The record names no hive, so the backup is not the last defragmentation's: the user is
    // asked for it by name first, then about the date.
    headless_->ScriptMessageBoxAnswer(ui::mrYes);
    headless_->ScriptMessageBoxAnswer(ui::mrNo);
    headless_->ScriptPopupChoice("pmiUndo");
    form.FlatButton("bAbout").Click();
    ASSERT_EQ(headless_->MessageBoxes().size(), 2u);
    EXPECT_NE(headless_->MessageBoxes()[0].request.text.find("C:\\Windows\\System32\\config\\SYSTEM.bak"),
              std::string::npos)
        << headless_->MessageBoxes()[0].request.text;
    EXPECT_NE(headless_->MessageBoxes()[1].request.text.find("defragmentation of 2026-12-01?"), std::string::npos)
        << headless_->MessageBoxes()[1].request.text;
    EXPECT_EQ(form.LastUndo.end, defrag::UndoEnd::NotConfirmed);
    EXPECT_TRUE(system_.ReplaceCalls().empty());
}

// The first interactive start after a restart tells once what became of the hand-over.
TEST_F(HelpMenuTest, TheNextStartTellsOnceWhatTheRestartReplaced)
{
    AddStandardHives();
    system_.AddFile("C:\\Windows\\System32\\config\\SYSTEM.bak", 300000);
    std::ofstream(folder_.Path() / "LastHandOver.ini", std::ios::binary)
        << "[Last Hand-over]\r\nCommand=Defrag\r\nTime=2026-12-01 08:00:00\r\nReported=0\r\nHives=2\r\n"
           "Hive1=1|3072000|2048000|\\REGISTRY\\MACHINE\\SYSTEM|C:\\Windows\\System32\\config\\SYSTEM\r\n"
           "Hive2=1|1024|1024|\\REGISTRY\\MACHINE\\SOFTWARE|C:\\Windows\\System32\\config\\SOFTWARE\r\n";
    CreateAndShow();
    ASSERT_EQ(headless_->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless_->MessageBoxes()[0].request.text,
              "1 of 2 hives replaced, 3,000 KB -> 2,000 KB\n\\REGISTRY\\MACHINE\\SOFTWARE: not replaced");
    // Told once: the record now says so, and stays for /Scan and the Undo question.
    std::ifstream in(folder_.Path() / "LastHandOver.ini", std::ios::binary);
    const std::string record{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(record.find("Reported=1"), std::string::npos) << record;
    EXPECT_NE(record.find("Hive2=accepted|1024|1024|0|"), std::string::npos) << record;
}

}  // namespace
}  // namespace kelvara::app::testing
