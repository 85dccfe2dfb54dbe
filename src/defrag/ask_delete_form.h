// TfrmAskDelete: the question before the hives are replaced, with a reminder that a restart
// follows and a box that turns the question off for later runs. Yes (6) goes on, No (7) and the
// close box (Cancel, 2) give up. The box changes the setting in memory at each click; the Defrag
// command writes the settings file after the dialog, whatever the answer.
#pragma once

#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "ui/form.h"

namespace kelvara::defrag {

class TfrmAskDelete : public ui::Form {
public:
    explicit TfrmAskDelete(ui::Form* owner);

    void FormShow() override;
    void cbAskClick(ui::Component& sender);

    controls::TSkinButton& bOK() const { return Get<controls::TSkinButton>("bOK"); }
    controls::TSkinButton& bCancel() const { return Get<controls::TSkinButton>("bCancel"); }
    controls::TSkinCheckBox& cbAsk() const { return Get<controls::TSkinCheckBox>("cbAsk"); }
};

}  // namespace kelvara::defrag
