// TranslateForm over a window that holds every kind of component the framework has, with real
// language files in a temporary folder.
#include <gtest/gtest.h>

#include <memory>

#include "common/ini/temp_folder.h"
#include "controls/flat_button.h"
#include "controls/image_button.h"
#include "controls/image_panel.h"
#include "controls/url_label.h"
#include "settings/form_translation.h"
#include "settings/language_file.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/headless/headless_widget_set.h"
#include "ui/list_view.h"
#include "ui/memo.h"
#include "ui/menu.h"
#include "ui/progress_bar.h"
#include "ui/standard_controls.h"
#include "ui/timer.h"

namespace kelvara::settings {
namespace {

using kelvara::testing::TempFolder;
using kelvara::testing::WriteBytes;

struct Expect {
    const char* name;
    const char* caption;
};

// Every kind, each with a designed caption and a tooltip; the rows marked kShowHint have their
// tooltips on.
const ui::ComponentSpec kEveryKind[] = {
    {ui::Kind<ui::TLabel>, "lPlain", {8, 8, 80, 13}, "Label", "label tip"},
    {ui::Kind<controls::TURLLabel>, "URLLabel1", {8, 24, 80, 13}, "example.com", "link tip", ui::kShowHint},
    {ui::Kind<ui::TGroupBox>, "GroupBox1", {8, 40, 200, 100}, "Group", "group tip"},
    {ui::Kind<ui::TButton>, "bOK", {8, 16, 80, 24}, "&OK", "ok tip", ui::kShowHint, "GroupBox1"},
    {ui::Kind<ui::TCheckBox>, "cbAsk", {8, 48, 120, 17}, "Ask", "ask tip", 0, "GroupBox1"},
    {ui::Kind<ui::TPanel>, "Panel2", {8, 150, 200, 2}, "", "panel tip"},
    {ui::Kind<controls::TFlatButton>, "bAnalyze", {220, 8, 90, 25}, "Analyze", "analyze tip", ui::kShowHint},
    {ui::Kind<ui::TListView>, "lvMain", {220, 40, 200, 100}, "", "list tip"},
    {ui::Kind<ui::TImage>, "Image1", {0, 0, 10, 10}, "", "image tip", ui::kShowHint},
    {ui::Kind<controls::TImageButton>, "bMinimize", {400, 8, 24, 24}, "", "minimize tip", ui::kShowHint},
    {ui::Kind<controls::TImagePanel>, "ImagePanel1", {8, 160, 100, 1}},
    {ui::Kind<ui::TProgressBar>, "ProgressBar1", {8, 170, 100, 18}},
    {ui::Kind<ui::TMemo>, "Memo1", {8, 200, 100, 40}, "memo text"},
    {ui::Kind<ui::TTimer>, "Timer1"},
    {ui::Kind<ui::TPopupMenu>, "pmHelp"},
    {ui::Kind<ui::TMenuItem>, "pmiHelp", {}, "&Help", "", 0, "pmHelp"},
    {ui::Kind<ui::TMenuItem>, "N1", {}, "-", "", 0, "pmHelp"},
    {ui::Kind<ui::TMenuItem>, "About1", {}, "&About...", "", 0, "pmHelp"},
};

class TranslationTest : public ::testing::Test {
protected:
    TranslationTest() {
        auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
        app_ = std::make_unique<ui::Application>(std::move(widgets));
        form_ = ui::CreateForm<ui::Form>();
        form_->SetName("frmTest");
        form_->SetCaption("Test Window");
        form_->SetClientSize(440, 260);
        form_->AddComponents(kEveryKind);
        auto& list = form_->Get<ui::TListView>("lvMain");
        list.AddColumn({"Hive Name", 100});
        list.AddColumn({"Size", 50});
        SetLanguageProgramFolder(folder_.WithSeparator());
        OptionsSetting = {};
    }
    ~TranslationTest() override {
        SetLanguageProgramFolder("");
        OptionsSetting = {};
    }

    void WriteLanguage(const std::string& language, const std::string& text) {
        WriteBytes(folder_.File("DLan_" + language + ".ini"), text);
    }
    std::string CaptionOf(const char* name) const { return form_->FindComponent(name)->Caption(); }
    std::string HintOf(const char* name) const { return form_->Get<ui::Control>(name).Hint(); }

    TempFolder folder_;
    std::unique_ptr<ui::Application> app_;
    std::unique_ptr<ui::Form> form_;
};

// A file that names every component, with captions and tooltips.
const char* const kFullFile =
    "[frmTest]\r\n"
    "frmTest=Testfenster\r\n"
    "lPlain=Beschriftung\r\n"
    "lPlainHint=nie gelesen\r\n"
    "URLLabel1=beispiel.de\r\n"
    "URLLabel1Hint=Verweis\r\n"
    "GroupBox1=Gruppe\r\n"
    "bOK=&Gut\r\n"
    "bOKHint=Gut-Tipp\r\n"
    "cbAsk=Fragen\r\n"
    "Panel2=Tafel\r\n"
    "bAnalyze=Analysieren\r\n"
    "bAnalyzeHint=Analysiert\r\n"
    "lvMain=nie gelesen\r\n"
    "lvMain_Column0=Struktur\r\n"
    "lvMain_Column1=Gr\xf6\xdf" "e\r\n"
    "lvMain_Column2=keine solche Spalte\r\n"
    "Image1=nie gelesen\r\n"
    "Image1Hint=Bild-Tipp\r\n"
    "bMinimize=nie gelesen\r\n"
    "bMinimizeHint=Verkleinern\r\n"
    "ImagePanel1=nie gelesen\r\n"
    "ProgressBar1=nie gelesen\r\n"
    "Memo1=nie gelesen\r\n"
    "Timer1=nie gelesen\r\n"
    "pmHelp=nie gelesen\r\n"
    "pmiHelp=nicht hier\r\n"
    "[Menu_frmTest]\r\n"
    "pmiHelp=&Hilfe\r\n"
    "N1=kein Trenner mehr\r\n"
    "About1=\xdc&ber...\r\n"
    "lPlain=nicht hier\r\n";

TEST_F(TranslationTest, EveryKindReadsItsOwnKeys) {
    WriteLanguage("German", kFullFile);
    TranslateForm(*form_, "German");

    EXPECT_EQ(form_->Caption(), "Testfenster");
    const Expect captions[] = {
        {"lPlain", "Beschriftung"}, {"URLLabel1", "beispiel.de"}, {"GroupBox1", "Gruppe"},
        {"bOK", "&Gut"},            {"cbAsk", "Fragen"},          {"Panel2", "Tafel"},
        {"bAnalyze", "Analysieren"},
        // no caption of theirs is a text of the window
        {"Image1", ""}, {"bMinimize", ""}, {"ImagePanel1", ""}, {"ProgressBar1", ""}, {"Memo1", "memo text"},
        // menu items read their own section; the separator stays a separator
        {"pmiHelp", "&Hilfe"}, {"N1", "-"}, {"About1", "\xdc&ber..."},
    };
    for (const Expect& e : captions) EXPECT_EQ(CaptionOf(e.name), e.caption) << e.name;

    const auto& list = form_->Get<ui::TListView>("lvMain");
    ASSERT_EQ(list.ColumnCount(), 2);
    EXPECT_EQ(list.Column(0).caption, "Struktur");
    EXPECT_EQ(list.Column(1).caption, "Gr\xf6\xdf" "e");
}

TEST_F(TranslationTest, TooltipsAreReadOnlyWhereTheyAreOn) {
    WriteLanguage("German", kFullFile);
    TranslateForm(*form_, "German");
    const Expect hints[] = {
        {"lPlain", "label tip"},         // off: kept although the file has a key
        {"URLLabel1", "Verweis"},
        {"bOK", "Gut-Tipp"},
        {"cbAsk", "ask tip"},
        {"bAnalyze", "Analysiert"},
        {"lvMain", "list tip"},          // off
        {"Image1", "Bild-Tipp"},         // a picture has no caption, but its tooltip is on
        {"bMinimize", "Verkleinern"},
    };
    for (const Expect& e : hints) EXPECT_EQ(HintOf(e.name), e.caption) << e.name;
}

TEST_F(TranslationTest, MissingFileSectionOrKeyKeepsTheText) {
    TranslateForm(*form_, "Klingon");   // no file at all
    EXPECT_EQ(form_->Caption(), "Test Window");
    EXPECT_EQ(CaptionOf("bOK"), "&OK");
    EXPECT_EQ(CaptionOf("pmiHelp"), "&Help");

    WriteLanguage("Partial", "[frmTest]\nbOK=Gut\n[Other]\ncbAsk=Fragen\n");
    TranslateForm(*form_, "Partial");
    EXPECT_EQ(form_->Caption(), "Test Window");
    EXPECT_EQ(CaptionOf("bOK"), "Gut");
    EXPECT_EQ(CaptionOf("cbAsk"), "Ask");
    EXPECT_EQ(form_->Get<ui::TListView>("lvMain").Column(0).caption, "Hive Name");
    EXPECT_EQ(HintOf("bAnalyze"), "analyze tip");
}

TEST_F(TranslationTest, SectionAndKeyNamesMatchInAnyCase) {
    WriteLanguage("Upper", "[FRMTEST]\nBOK=Gut\nLVMAIN_COLUMN1=Gr\n[menu_FRMtest]\nABOUT1=Info\n");
    TranslateForm(*form_, "Upper");
    EXPECT_EQ(CaptionOf("bOK"), "Gut");
    EXPECT_EQ(form_->Get<ui::TListView>("lvMain").Column(1).caption, "Gr");
    EXPECT_EQ(CaptionOf("About1"), "Info");
}

TEST_F(TranslationTest, LongValuesAreCutAndEmptyValuesStayEmpty) {
    WriteLanguage("Odd", "[frmTest]\nlPlain=" + std::string(3000, 'x') + "\nbOK=\ncbAsk=  \"  quoted  \"  \n");
    TranslateForm(*form_, "Odd");
    EXPECT_EQ(CaptionOf("lPlain"), std::string(2047, 'x'));
    EXPECT_EQ(CaptionOf("bOK"), "");
    EXPECT_EQ(CaptionOf("cbAsk"), "  quoted  ");
}

TEST_F(TranslationTest, OnShowLeavesTheDesignedTextsForEnglishInAnyCase) {
    WriteLanguage("English", "[frmTest]\nfrmTest=from the English file\n");
    for (const char* english : {"English", "ENGLISH", "english"}) {
        OptionsSetting.Lan = english;
        TranslateFormOnShow(*form_);
        EXPECT_EQ(form_->Caption(), "Test Window") << english;
    }
    // The menu's own switch to English does translate from that file.
    TranslateForm(*form_, "English");
    EXPECT_EQ(form_->Caption(), "from the English file");

    WriteLanguage("German", kFullFile);
    OptionsSetting.Lan = "German";
    TranslateFormOnShow(*form_);
    EXPECT_EQ(form_->Caption(), "Testfenster");
}

}  // namespace
}  // namespace kelvara::settings
