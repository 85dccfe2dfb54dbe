// The language menu and the translation of the main window: choosing a language whose file
// exists, refusing one whose file is missing, the check marks, and what a file does to the
// window's texts at its first showing.
#include <filesystem>

#include "app/caption_width.h"
#include "main_window_fixture.h"
#include "settings/language_file.h"
#include "ui/list_view.h"
#include "ui/menu.h"

namespace kelvara::app::testing {
namespace {

namespace fs = std::filesystem;

class LanguageMenuTest : public MainWindowTest {
protected:
    LanguageMenuTest() { fs::create_directories(folder_.Path() / "Languages"); }
    ~LanguageMenuTest() override { settings::SetLanguageProgramFolder(""); }

    void WriteLanguage(const std::string& language, const std::string& text)
    {
        std::ofstream(folder_.Path() / "Languages" / ("DLan_" + language + ".ini"), std::ios::binary) << text;
    }
    std::string LanguagesPath(const std::string& language) const
    {
        return folder_.Folder() + "Languages/DLan_" + language + ".ini";
    }
    // The user presses "Language" and picks the item.
    void Choose(TfrmMain& form, const std::string& item)
    {
        headless_->ScriptPopupChoice(item);
        form.FlatButton("bLanguage").Click();
    }
    static std::vector<std::string> Checked(const TfrmMain& form)
    {
        std::vector<std::string> checked;
        for (ui::TMenuItem* item : form.PopupMenu("pmLanguage").Items())
            if (item->Checked())
                checked.push_back(item->Name());
        return checked;
    }
};

const char* const kGerman =
    "[frmMain]\r\n"
    "bAnalyzeRegistry=Registrierung analysieren\r\n"
    "bAnalyzeRegistryHint=Analysiert Ihre Registrierung\r\n"
    "lvMain_Column0=Struktur\r\n"
    "lvMainHint=nie gelesen\r\n"
    "lTitle=Varnel Kelvara auf Deutsch\r\n"
    "lCurrentRegistrySize=Zahl\r\n"
    "[Menu_frmMain]\r\n"
    "miGerman=&Deutsch\r\n"
    "N6=kein Trenner\r\n"
    "[ResourceString]\r\n"
    "RES_Not_Found=wurde nicht gefunden.\r\n";

TEST_F(LanguageMenuTest, ChoosingALanguageTranslatesChecksAndFitsAtOnce)
{
    WriteOptions("[Options]\r\nLan=English\r\n");
    WriteLanguage("German", kGerman);
    TfrmMain& form = CreateAndShow();
    EXPECT_EQ(Checked(form), std::vector<std::string>{"miEnglish"});
    headless_->SetCursorPos({300, 200});

    Choose(form, "miGerman");

    ASSERT_EQ(headless_->Popups().size(), 1u);
    EXPECT_EQ(headless_->Popups()[0].menuName, "pmLanguage");
    EXPECT_EQ(headless_->Popups()[0].screen.x, 300);
    EXPECT_EQ(headless_->Popups()[0].screen.y, 200);
    EXPECT_EQ(settings::OptionsSetting.Lan, "German");
    EXPECT_EQ(Checked(form), std::vector<std::string>{"miGerman"});
    controls::TFlatButton& analyze = form.FlatButton("bAnalyzeRegistry");
    EXPECT_EQ(analyze.Caption(), "Registrierung analysieren");
    EXPECT_EQ(analyze.Hint(), "Analysiert Ihre Registrierung");
    EXPECT_EQ(analyze.Width(), CaptionWidth("Registrierung analysieren", form.GetFont()) + 17);
    EXPECT_EQ(form.lvMain().Column(0).caption, "Struktur");
    EXPECT_EQ(form.lvMain().Hint(), "");   // the list's tooltips are off: never read
    EXPECT_EQ(form.Get<ui::TMenuItem>("miGerman").Caption(), "&Deutsch");
    EXPECT_EQ(form.Get<ui::TMenuItem>("N6").Caption(), "-");
    EXPECT_TRUE(headless_->MessageBoxes().empty());
    EXPECT_TRUE(headless_->OpenedUrls().empty());

    // Kept in memory only; the settings file has it once the window closes.
    EXPECT_EQ(ReadOptions().find("Lan=German"), std::string::npos);
    form.Close();
    EXPECT_NE(ReadOptions().find("Lan=German"), std::string::npos);
}

TEST_F(LanguageMenuTest, AMissingFileIsReportedAndChangesNothing)
{
    struct Case {
        const char* current;   // language when the item is chosen
        const char* item;
        std::string message;
    };
    const Case cases[] = {
        {"English", "miFrench", LanguagesPath("French") + " can not be found."},
        {"English", "miEnglish", LanguagesPath("English") + " can not be found."},
        {"English", "miOther",
         LanguagesPath("Other") + " can not be found.\r\n\r\nPlease visit http://www.varnelsoft.com/"},
        // The lookup speaks the language still current.
        {"German", "miFrench", LanguagesPath("French") + " wurde nicht gefunden."},
    };
    WriteLanguage("German", kGerman);
    TfrmMain& form = CreateAndShow();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " " + c.item);
        settings::OptionsSetting.Lan = c.current;
        const std::vector<std::string> checkedBefore = Checked(form);
        const std::string captionBefore = form.FlatButton("bAnalyzeRegistry").Caption();
        const std::size_t boxesBefore = headless_->MessageBoxes().size();
        const std::size_t urlsBefore = headless_->OpenedUrls().size();

        Choose(form, c.item);

        ASSERT_EQ(headless_->MessageBoxes().size(), boxesBefore + 1);
        const ui::MessageBoxRequest& box = headless_->MessageBoxes().back().request;
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(box.caption, "Varnel Kelvara");
        EXPECT_EQ(box.buttons, ui::MsgButtons::Ok);
        EXPECT_EQ(box.icon, ui::MsgIcon::None);
        ASSERT_EQ(headless_->OpenedUrls().size(), urlsBefore + 1);
        EXPECT_EQ(headless_->OpenedUrls().back(), "http://www.varnelsoft.com/");
        EXPECT_EQ(settings::OptionsSetting.Lan, c.current);
        EXPECT_EQ(Checked(form), checkedBefore);
        EXPECT_EQ(form.FlatButton("bAnalyzeRegistry").Caption(), captionBefore);
    }
}

TEST_F(LanguageMenuTest, OtherWithAFileIsALanguageLikeAnyOther)
{
    WriteLanguage("Other", "[frmMain]\r\nbExit=Quit\r\n");
    TfrmMain& form = CreateAndShow();
    Choose(form, "miOther");
    EXPECT_TRUE(headless_->MessageBoxes().empty());
    EXPECT_EQ(settings::OptionsSetting.Lan, "Other");
    EXPECT_EQ(Checked(form), std::vector<std::string>{"miOther"});
    EXPECT_EQ(form.FlatButton("bExit").Caption(), "Quit");
}

TEST_F(LanguageMenuTest, AStoredNameInAnotherCaseMarksItsItemAndTranslates)
{
    WriteOptions("[Options]\r\nLan=gERMAN\r\n");
    WriteLanguage("gERMAN", kGerman);   // the file name is built from the name as stored
    TfrmMain& form = CreateAndShow();
    EXPECT_EQ(Checked(form), std::vector<std::string>{"miGerman"});
    EXPECT_EQ(form.FlatButton("bAnalyzeRegistry").Caption(), "Registrierung analysieren");
}

TEST_F(LanguageMenuTest, AFileAtFirstShowingReplacesTheTitleWholeAndTheFigures)
{
    WriteOptions("[Options]\r\nLan=German\r\n");
    WriteLanguage("German", kGerman);
    TfrmMain& form = CreateAndShow();
    EXPECT_EQ(form.Label("lTitle").Caption(), "Varnel Kelvara auf Deutsch");   // version and all
    EXPECT_EQ(form.Label("lCurrentRegistrySize").Caption(), "Zahl");
    EXPECT_EQ(form.lvMain().Column(0).caption, "Struktur");
    EXPECT_EQ(form.lvMain().Column(1).caption, "Current Size");
}

// Column titles longer than their designed columns, at the first showing and when switched to
// with figures in the list; back in English the columns are as designed again.
class ColumnTitlesTest : public LanguageMenuTest {
protected:
    ColumnTitlesTest()
    {
        WriteLanguage("German", "[frmMain]\r\n"
                                "lvMain_Column1=Aktuelle Registrierungsgr\xF6\xDF" "e\r\n"
                                "lvMain_Column3=Verkleinerung um\r\n");
        WriteLanguage("English", "[frmMain]\r\nlvMain_Column1=Current Size\r\nlvMain_Column3=Reduction\r\n");
    }
    void ExpectGermanTitlesWhole(const ui::TListView& list)
    {
        int total = 0;
        for (int i = 0; i < list.ColumnCount(); ++i) {
            EXPECT_GE(list.Column(i).width, ColumnTitleWidth(list.Column(i).caption, list.GetFont()))
                << list.Column(i).caption;
            total += list.Column(i).width;
        }
        // The Linux build shows the title in UTF-8, Windows in the code page: the start is the same.
        EXPECT_EQ(list.Column(1).caption.rfind("Aktuelle Registrierungsgr", 0), 0u) << list.Column(1).caption;
        EXPECT_GT(list.Column(1).width, ColumnTitleWidth("Current Size", list.GetFont()));
        EXPECT_LE(total, list.Width() - 4) << "no horizontal scroll bar";
    }
    void ExpectEnglishAsDesigned(const ui::TListView& list)
    {
        EXPECT_EQ(list.Column(1).caption, "Current Size");
        EXPECT_EQ(list.Column(1).width, std::max(72, ColumnTitleWidth("Current Size", list.GetFont())));
        EXPECT_EQ(list.Column(3).width, std::max(65, ColumnTitleWidth("Reduction", list.GetFont())));
    }
};

TEST_F(ColumnTitlesTest, AtTheFirstShowing)
{
    WriteOptions("[Options]\r\nLan=German\r\n");
    TfrmMain& form = CreateAndShow();
    ExpectGermanTitlesWhole(form.lvMain());
    Choose(form, "miEnglish");
    ExpectEnglishAsDesigned(form.lvMain());
}

TEST_F(ColumnTitlesTest, SwitchedToWithFiguresInTheList)
{
    WriteOptions("[Options]\r\nLan=English\r\n");
    TfrmMain& form = CreateAndShow();
    ui::TListView& list = form.lvMain();
    ExpectEnglishAsDesigned(list);
    list.AddItem("\\REGISTRY\\MACHINE\\SYSTEM", {"6,824 KB", "5,324 KB", "21%"});
    Choose(form, "miGerman");
    ExpectGermanTitlesWhole(list);
    Choose(form, "miEnglish");
    ExpectEnglishAsDesigned(list);
    EXPECT_EQ(list.ItemText(0, 1), "6,824 KB");
}

TEST_F(LanguageMenuTest, EnglishAtFirstShowingKeepsTheDesignedTexts)
{
    WriteOptions("[Options]\r\nLan=english\r\n");
    WriteLanguage("english", "[frmMain]\r\nbExit=from the file\r\n");
    TfrmMain& form = CreateAndShow();
    EXPECT_EQ(form.FlatButton("bExit").Caption(), "Exit");
    EXPECT_EQ(form.Label("lTitle").Caption(), "Varnel Kelvara 2.2");
}

}  // namespace
}  // namespace kelvara::app::testing
