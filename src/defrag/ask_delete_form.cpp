#include "defrag/ask_delete_form.h"

#include "common/ascii_text.h"
#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "defrag/fit_labels.h"
#include "settings/form_translation.h"
#include "settings/options_setting.h"
#include "ui/containers.h"
#include "ui/form_table.h"
#include "ui/messages.h"
#include "ui/standard_controls.h"

namespace kelvara::defrag {
namespace {

using settings::OptionsSetting;

// Component order is the tab order: the group box, inside it No before Yes, then the box, then
// the separator. Escape answers No.
const ui::ComponentSpec kAskDeleteLayout[] = {
    {ui::Kind<ui::TGroupBox>, "GroupBox1", {8, 8, 298, 100}},
    {ui::Kind<ui::TLabel>, "Label1", {24, 24, 255, 13}, "Are you sure you want to start to defrag your registry?",
     "", 0, "GroupBox1"},
    {ui::Kind<controls::TSkinButton>, "bCancel", {165, 57, 80, 24}, "&No", "", ui::kCancel, "GroupBox1"},
    {ui::Kind<controls::TSkinButton>, "bOK", {53, 57, 80, 24}, "&Yes", "", 0, "GroupBox1"},
    {ui::Kind<ui::TLabel>, "Label2", {8, 115, 297, 13}, "You must restart your computer for the changes to take effect"},
    {ui::Kind<ui::TLabel>, "Label3", {8, 133, 305, 13}, "after you finish the Registry defragment."},
    {ui::Kind<controls::TSkinCheckBox>, "cbAsk", {8, 166, 128, 19}, "Don't ask me next time"},
    {ui::Kind<ui::TPanel>, "Panel2", {8, 157, 295, 2}},
};

}  // namespace

TfrmAskDelete::TfrmAskDelete(ui::Form* owner) : ui::Form(owner) {
    SetName("frmAskDelete");
    SetCaption("Defrag Now");
    SetBorderStyle(ui::BorderStyle::Dialog);
    SetPosition(ui::FormPosition::OwnerFormCenter);
    SetClientSize(316, 193);
    AddComponents(kAskDeleteLayout);

    bOK().SetModalResult(ui::mrYes);
    bCancel().SetModalResult(ui::mrNo);
    Get<ui::TPanel>("Panel2").SetBevel(true);   // a lowered line between the text and the box
    cbAsk().OnClick = [this](ui::Component& sender) { cbAskClick(sender); };
}

// The box starts unticked: the dialog only shows while the question is on.
void TfrmAskDelete::FormShow() {
    if (!common::AsciiEqualNoCase(OptionsSetting.Lan, "English"))
        settings::TranslateForm(*this, OptionsSetting.Lan);
    FitLabels(*this);   // after the translation, so a translated text fits too
}

void TfrmAskDelete::cbAskClick(ui::Component&) { OptionsSetting.IsAskBeforeDefrag = !cbAsk().Checked(); }

}  // namespace kelvara::defrag
