// The close sequence: FormClose decides, then the form hides, minimises, ends its modal
// showing or, for the main form, the application.
#include "ui/form.h"

#include "ui/application.h"
#include "ui/widget_set.h"

namespace kelvara::ui {

void Form::Close() {
    if (closing_) return;
    closing_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{closing_};

    bool isMain = app_ && app_->MainForm() == this && !modal_;
    CloseAction action = isMain ? CloseAction::Free : CloseAction::Hide;
    FormClose(action);
    if (action == CloseAction::None) return;
    if (modal_) {
        closedByClose_ = true;
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    if (isMain) {
        Hide();
        app_->Terminate();
        return;
    }
    if (action == CloseAction::Minimize && peer_) {
        peer_->Minimize();
        return;
    }
    Hide();
}

}  // namespace kelvara::ui
