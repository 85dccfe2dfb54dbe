// Messages to the form's window: posted messages to their handlers, the close and system
// commands, the non-client hit test, activation and minimising.
#include "ui/form.h"

#include "ui/application.h"
#include "ui/widget_set.h"

namespace kelvara::ui {

void Form::DispatchMessage(const Message& m) {
    auto it = handlers_.find(m.msg);
    if (it != handlers_.end()) {
        MessageHandler handler = it->second;  // a handler may replace itself
        RunGuarded(app_, [&] { handler(m); });
        return;
    }
    if (m.msg == WmClose) {
        RunGuarded(app_, [this] { Close(); });
        return;
    }
    if (m.msg == WmSysCommand && peer_) {
        if (m.wParam == ScMinimize) {
            if (app_ && app_->MainForm() == this) app_->Minimize();
            else peer_->Minimize();
        } else if (m.wParam == ScRestore) {
            if (app_ && app_->MainForm() == this) app_->Restore();
            else peer_->Restore();
        } else if (m.wParam == ScClose) {
            RunGuarded(app_, [this] { Close(); });
        }
    }
}

int Form::HandleNcHitTest(Point screen) {
    int result = peer_ ? peer_->DefaultHitTest(screen) : HtClient;
    RunGuarded(app_, [&] { result = NcHitTest(screen, result); });
    return result;
}

void Form::HandleActivate() {
    RunGuarded(app_, [this] { FormActivate(); });
}

void Form::HandleDeactivate() {}

void Form::HandleMinimized(bool minimized) { minimized_ = minimized; }

}  // namespace kelvara::ui
