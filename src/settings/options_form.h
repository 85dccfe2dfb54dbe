// TfrmOptions: the options dialog. It edits three settings of OptionsSetting: the restore point
// before a defragmentation, the question before it, and the grid lines of the hive list.
// OK applies them; Cancel and the close box change nothing.
#pragma once

#include <string>

#include "ui/buttons.h"
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

    ui::TCheckBox& cbCreateRestore() const { return Get<ui::TCheckBox>("cbCreateRestore"); }
    ui::TCheckBox& cbAskBeforeDefrag() const { return Get<ui::TCheckBox>("cbAskBeforeDefrag"); }
    ui::TCheckBox& cbShowLines() const { return Get<ui::TCheckBox>("cbShowLines"); }
    ui::TButton& bOK() const { return Get<ui::TButton>("bOK"); }
    ui::TButton& bCancel() const { return Get<ui::TButton>("bCancel"); }

private:
    void FitCheckBoxes();
};

// bOptionsClick's body: the dialog over `owner`; after OK the grid lines of lvMain follow the
// setting at once, then the settings file is written (a WriteError from it is not caught here:
// it reaches the application's error handler, which shows it).
void RunOptionsCommand(ui::Form& owner, ui::TListView& lvMain, const std::string& programFolder);

}  // namespace kelvara::settings
