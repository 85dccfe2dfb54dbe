// ShowModal: the other forms disabled, a message loop until a modal result is set, and the
// result handed back.
#include "ui/form.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/widget_set.h"
#include "ui/win_control.h"

namespace kelvara::ui {

int Form::ShowModal() {
    if (visible_) throw ComponentError("form '" + Name() + "' is visible and cannot be shown modally");
    if (!peer_) Realize();
    modal_ = true;
    modalResult_ = mrNone;
    closedByClose_ = false;
    std::vector<Form*> disabled;
    for (Form* f : app_->Forms()) {
        if (f == this || !f->Visible() || !f->peer_) continue;
        f->peer_->SetEnabled(false);
        disabled.push_back(f);
    }
    try {
        Show();
        // A dialog opens with the focus on its first control in tab order, as Windows dialogs
        // do, so Enter and Space act at once; the layouts put the safe answer first.
        if (!activeControl_) SelectNext(false);
    } catch (...) {
        modal_ = false;
        for (Form* f : disabled) f->peer_->SetEnabled(true);
        throw;
    }
    peer_->RunModalLoop([this] {
        if (app_->Terminated()) return true;
        if (modalResult_ == mrNone) return false;
        if (closedByClose_) return true;
        // A result set by a button: the form still closes through FormClose, which may refuse.
        CloseAction action = CloseAction::Hide;
        app_->Guard([&] { FormClose(action); });
        if (action == CloseAction::None) {
            modalResult_ = mrNone;
            return false;
        }
        return true;
    });
    for (Form* f : disabled) {
        const auto& alive = app_->Forms();
        if (std::find(alive.begin(), alive.end(), f) != alive.end() && f->peer_) f->peer_->SetEnabled(true);
    }
    Hide();
    modal_ = false;
    closedByClose_ = false;
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    return modalResult_;
}

void Form::SetModalResult(int r) { modalResult_ = r; }

}  // namespace kelvara::ui
