// TfrmOptions: the options dialog. It edits three settings of OptionsSetting: the restore point
// before a defragmentation, the question before it, and the grid lines of the hive list.
// OK applies them; Cancel and the close box change nothing.
#pragma once

#include <string>

#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "ui/form.h"

namespace kelvara::ui {
class TListView;
}

namespace kelvara::settings {

class TfrmOptions : public ui::Form {
public:
    explicit TfrmOptions(ui::Form* owner);

    void FormCreate() override;
    void FormShow() override;
    void bOKClick(ui::Component& sender);

    controls::TSkinCheckBox& cbCreateRestore() const { return Get<controls::TSkinCheckBox>("cbCreateRestore"); }
    controls::TSkinCheckBox& cbAskBeforeDefrag() const { return Get<controls::TSkinCheckBox>("cbAskBeforeDefrag"); }
    controls::TSkinCheckBox& cbShowLines() const { return Get<controls::TSkinCheckBox>("cbShowLines"); }
    controls::TSkinButton& bOK() const { return Get<controls::TSkinButton>("bOK"); }
    controls::TSkinButton& bCancel() const { return Get<controls::TSkinButton>("bCancel"); }

private:
    void FitCheckBoxes();
};

// bOptionsClick's body: the dialog over `owner`; after OK the grid lines of lvMain follow the
// setting at once, then the settings file is written (a WriteError from it is not caught here:
// it reaches the application's error handler, which shows it).
void RunOptionsCommand(ui::Form& owner, ui::TListView& lvMain, const std::string& programFolder);

}  // namespace kelvara::settings
