#include "ui/buttons.h"

#include "ui/form.h"
#include "ui/widget_set.h"

namespace kelvara::ui {

void detail::GiveModalResult(const Control& button, int result) {
    if (button.Owner() && result != mrNone) button.Owner()->SetModalResult(result);
}

std::unique_ptr<ControlPeer> TButton::MakePeer(WidgetSet& widgets, FormPeer& form) {
    auto peer = widgets.CreateButtonPeer(*this, form);
    if (peer) peer->SetDefault(Default());
    return peer;
}

void TButton::DefaultChanged() {
    if (Peer()) Peer()->SetDefault(Default());
}

std::unique_ptr<ControlPeer> TCheckBox::MakePeer(WidgetSet& widgets, FormPeer& form) {
    return widgets.CreateCheckBoxPeer(*this, form);
}

void TCheckBox::PeerCreated() { Peer()->SetChecked(Checked()); }

void TCheckBox::CheckedChanged() {
    if (Peer()) Peer()->SetChecked(Checked());
}

}  // namespace kelvara::ui
