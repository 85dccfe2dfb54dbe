// TfrmAskDelete: the question before the hives are replaced, with a reminder that a restart
// follows and a box that turns the question off for later runs. Yes (6) goes on, No (7) and the
// close box (Cancel, 2) give up. The box changes the setting in memory at each click; the Defrag
// command writes the settings file after the dialog, whatever the answer.
#pragma once

#include "ui/buttons.h"
#include "ui/form.h"

namespace kelvara::defrag {

class TfrmAskDelete : public ui::Form {
public:
    explicit TfrmAskDelete(ui::Form* owner);

    void FormShow() override;
    void cbAskClick(ui::Component& sender);

    ui::TButton& bOK() const { return Get<ui::TButton>("bOK"); }
    ui::TButton& bCancel() const { return Get<ui::TButton>("bCancel"); }
    ui::TCheckBox& cbAsk() const { return Get<ui::TCheckBox>("cbAsk"); }
};

}  // namespace kelvara::defrag
