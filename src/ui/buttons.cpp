#include "ui/buttons.h"

#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/form_table.h"
#include "ui/widget_set.h"

namespace kelvara::ui {

void TButton::SetDefault(bool d) {
    default_ = d;
    if (Peer()) Peer()->SetDefault(d);
}

void TButton::Click() {
    // The result first, then the handler: a modal form ends after the handler has run.
    if (Owner() && modalResult_ != mrNone) Owner()->SetModalResult(modalResult_);
    Control::Click();
}

bool TButton::DialogChar(char ch) {
    if (!IsAccessKey(ch)) return false;
    Click();
    return true;
}

bool TButton::SpacePressed() {
    if (!Enabled()) return false;
    Click();
    return true;
}

void TButton::ApplyKindFlags(unsigned flags) {
    WinControl::ApplyKindFlags(flags);
    if (flags & kDefault) SetDefault(true);
    if (flags & kCancel) SetCancel(true);
}

std::unique_ptr<ControlPeer> TButton::MakePeer(WidgetSet& widgets, FormPeer& form) {
    auto peer = widgets.CreateButtonPeer(*this, form);
    if (peer) peer->SetDefault(default_);
    return peer;
}

void TCheckBox::SetChecked(bool c) {
    if (c == checked_) return;
    checked_ = c;
    if (Peer()) Peer()->SetChecked(c);
    Control::Click();
}

void TCheckBox::Click() {
    checked_ = !checked_;
    if (Peer()) Peer()->SetChecked(checked_);
    Control::Click();
}

bool TCheckBox::DialogChar(char ch) {
    if (!IsAccessKey(ch)) return false;
    SetFocus();
    Click();
    return true;
}

bool TCheckBox::SpacePressed() {
    if (!Enabled()) return false;
    Click();
    return true;
}

void TCheckBox::ApplyKindFlags(unsigned flags) {
    WinControl::ApplyKindFlags(flags);
    if (flags & kChecked) SetChecked(true);
}

std::unique_ptr<ControlPeer> TCheckBox::MakePeer(WidgetSet& widgets, FormPeer& form) {
    return widgets.CreateCheckBoxPeer(*this, form);
}

void TCheckBox::PeerCreated() { Peer()->SetChecked(checked_); }

}  // namespace kelvara::ui
