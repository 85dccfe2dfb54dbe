#include "settings/options_form.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "controls/skin_fit.h"
#include "settings/form_translation.h"
#include "settings/options_setting.h"
#include "ui/containers.h"
#include "ui/form_table.h"
#include "ui/list_view.h"
#include "ui/messages.h"
#include "ui/widget_set.h"

namespace kelvara::settings {
namespace {

// Component order is the tab order: the group box with the question first, then the grid lines,
// then the restore point, then OK and Cancel.
const ui::ComponentSpec kLayout[] = {
    {ui::Kind<ui::TGroupBox>, "GroupBox2", {8, 8, 361, 119}},
    {ui::Kind<controls::TSkinCheckBox>, "cbAskBeforeDefrag", {16, 48, 337, 17}, "Ask before defraging the registy", "",
     ui::kChecked, "GroupBox2"},
    {ui::Kind<controls::TSkinCheckBox>, "cbShowLines", {16, 81, 337, 17}, "Show Grid Lines for the hive name list", "",
     ui::kChecked, "GroupBox2"},
    {ui::Kind<controls::TSkinCheckBox>, "cbCreateRestore", {16, 16, 337, 17},
     "Create a system restore point before defragment (XP, Vista, Seven)", "", 0, "GroupBox2"},
    {ui::Kind<controls::TSkinButton>, "bOK", {187, 140, 80, 27}, "&OK", "", ui::kDefault},
    {ui::Kind<controls::TSkinButton>, "bCancel", {288, 140, 80, 27}, "&Cancel", "", ui::kCancel},
};


}  // namespace

TfrmOptions::TfrmOptions(ui::Form* owner) : ui::Form(owner) {
    SetName("frmOptions");
    SetCaption("Options");
    SetBorderStyle(ui::BorderStyle::Dialog);
    SetPosition(ui::FormPosition::OwnerFormCenter);
    SetClientSize(377, 178);
    AddComponents(kLayout);
    bOK().OnClick = [this](ui::Component& sender) { bOKClick(sender); };
    bCancel().SetModalResult(ui::mrCancel);
}

// The dialog is made anew for every command, so it always starts from the values in memory.
void TfrmOptions::FormCreate() {
    cbCreateRestore().SetChecked(OptionsSetting.RestorePoint);
    cbAskBeforeDefrag().SetChecked(OptionsSetting.IsAskBeforeDefrag);
    cbShowLines().SetChecked(OptionsSetting.IsShowLine);
}

void TfrmOptions::FormShow() {
    if (!common::AsciiEqualNoCase(OptionsSetting.Lan, "English"))
        TranslateForm(*this, OptionsSetting.Lan);
    FitCheckBoxes();
}

// A check box is as wide as its caption plus the square and the gap before the text, but never
// wider than its group box leaves room for. After the translation, so a translated caption
// fits too.
void TfrmOptions::FitCheckBoxes() {
    const ui::Control& group = Get<ui::TGroupBox>("GroupBox2");
    for (controls::TSkinCheckBox* box : {&cbCreateRestore(), &cbAskBeforeDefrag(), &cbShowLines()}) {
        const int room = group.Width() - box->Left() - controls::kContainerEdgeRoom;
        box->SetWidth(std::min(controls::CaptionNeededWidth(*this, *box), room));
    }
    controls::FitCaptions(*this);   // a box out of room moves left; the buttons
    // The boxes stay one column: where one had to move left, the others follow.
    int left = cbCreateRestore().Left();
    for (controls::TSkinCheckBox* box : {&cbAskBeforeDefrag(), &cbShowLines()}) left = std::min(left, box->Left());
    for (controls::TSkinCheckBox* box : {&cbCreateRestore(), &cbAskBeforeDefrag(), &cbShowLines()}) box->SetLeft(left);
}

void TfrmOptions::bOKClick(ui::Component&) {
    OptionsSetting.RestorePoint = cbCreateRestore().Checked();
    OptionsSetting.IsAskBeforeDefrag = cbAskBeforeDefrag().Checked();
    OptionsSetting.IsShowLine = cbShowLines().Checked();
    SetModalResult(ui::mrOk);
}

void RunOptionsCommand(ui::Form& owner, ui::TListView& lvMain, const std::string& programFolder) {
    auto dialog = ui::CreateForm<TfrmOptions>(&owner);
    if (dialog->ShowModal() != ui::mrOk) return;
    lvMain.SetGridLines(OptionsSetting.IsShowLine);
    ReadWriteOptions(false, programFolder);
}

}  // namespace kelvara::settings
