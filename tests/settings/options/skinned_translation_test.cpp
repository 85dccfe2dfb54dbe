// TranslateForm over the dialogs' drawn controls: the button and the check box are read like a
// caption, the group box through its own caption property, the progress bar not at all; their
// tooltips only where they are on.
#include <gtest/gtest.h>

#include <memory>

#include "common/ini/temp_folder.h"
#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "controls/skin_group_box.h"
#include "controls/skin_progress_bar.h"
#include "settings/form_translation.h"
#include "settings/language_file.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/form_table.h"
#include "ui/headless/headless_widget_set.h"

namespace kelvara::settings {
namespace {

using kelvara::testing::TempFolder;
using kelvara::testing::WriteBytes;

const ui::ComponentSpec kSkinned[] = {
    {ui::Kind<controls::TSkinGroupBox>, "SkinGroupBox1", {8, 8, 300, 120}, "Group", "group tip", ui::kShowHint},
    {ui::Kind<controls::TSkinCheckBox>, "cbAsk", {8, 20, 200, 19}, "&Ask", "ask tip", ui::kShowHint, "SkinGroupBox1"},
    {ui::Kind<controls::TSkinButton>, "bOK", {8, 140, 80, 27}, "&OK", "ok tip"},
    {ui::Kind<controls::TSkinProgressBar>, "ProgressBar1", {8, 180, 300, 18}, "", "bar tip", ui::kShowHint},
};

const char* const kFile =
    "[frmSkinned]\r\n"
    "SkinGroupBox1=Gruppe\r\n"
    "SkinGroupBox1Hint=Gruppenhinweis\r\n"
    "cbAsk=&Fragen\r\n"
    "cbAskHint=Fragehinweis\r\n"
    "bOK=&Gut\r\n"
    "bOKHint=nie gelesen\r\n"
    "ProgressBar1=nie gelesen\r\n"
    "ProgressBar1Hint=Balkenhinweis\r\n";

TEST(SkinnedTranslation, EachDrawnKindIsReadByItsRule) {
    auto app = std::make_unique<ui::Application>(std::make_unique<ui::headless::HeadlessWidgetSet>());
    TempFolder folder;
    SetLanguageProgramFolder(folder.WithSeparator());
    WriteBytes(folder.File("DLan_German.ini"), kFile);
    auto form = ui::CreateForm<ui::Form>();
    form->SetName("frmSkinned");
    form->SetClientSize(320, 210);
    form->AddComponents(kSkinned);
    auto& bar = form->Get<controls::TSkinProgressBar>("ProgressBar1");
    bar.SetShowPercent(true);
    bar.SetPosition(40);

    TranslateForm(*form, "German");

    EXPECT_EQ(form->Get<controls::TSkinGroupBox>("SkinGroupBox1").Caption(), "Gruppe");
    EXPECT_EQ(form->Get<controls::TSkinCheckBox>("cbAsk").Caption(), "&Fragen");
    EXPECT_EQ(form->Get<controls::TSkinButton>("bOK").Caption(), "&Gut");
    // The bar's percentage is data: nothing replaces it, the file's key is not read.
    EXPECT_EQ(bar.Caption(), "");
    EXPECT_EQ(bar.PercentText(), "40%");
    // Tooltips: read where they are on, also for the bar; the button's stays as designed.
    EXPECT_EQ(form->Get<controls::TSkinGroupBox>("SkinGroupBox1").Hint(), "Gruppenhinweis");
    EXPECT_EQ(form->Get<controls::TSkinCheckBox>("cbAsk").Hint(), "Fragehinweis");
    EXPECT_EQ(form->Get<controls::TSkinButton>("bOK").Hint(), "ok tip");
    EXPECT_EQ(bar.Hint(), "Balkenhinweis");
    // The translated access keys work.
    EXPECT_TRUE(form->HandleChar('g'));
    EXPECT_FALSE(form->HandleChar('o'));
    SetLanguageProgramFolder("");
}

}  // namespace
}  // namespace kelvara::settings
