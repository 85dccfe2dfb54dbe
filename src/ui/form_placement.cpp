// Where a form's window goes when it is first shown, and keeping the native windows of a
// container's controls where the container is.
#include "ui/form.h"

#include "ui/application.h"
#include "ui/widget_set.h"
#include "ui/win_control.h"

namespace kelvara::ui {
namespace {

bool IsInsideContainer(const Control& c, const Control& ancestor) {
    for (Control* p = c.Parent(); p; p = p->Parent())
        if (p == &ancestor) return true;
    return false;
}

}  // namespace

void Form::PlaceOnScreen() {
    Size outer = peer_->WindowSize();
    auto centreIn = [&](Rect area) {
        SetScreenPosition({area.left + (area.width - outer.width) / 2, area.top + (area.height - outer.height) / 2});
    };
    if (placement_ == FormPosition::ScreenCenter) {
        centreIn(app_->Widgets().WorkArea());
    } else if (placement_ == FormPosition::OwnerFormCenter) {
        Form* owner = ownerForm_ ? ownerForm_ : app_->MainForm();
        if (owner && owner != this && owner->Visible() && owner->peer_) {
            Size ownerSize = owner->peer_->WindowSize();
            centreIn({owner->Left(), owner->Top(), ownerSize.width, ownerSize.height});
        } else {
            centreIn(app_->Widgets().WorkArea());
        }
    } else {
        SetScreenPosition(position_);
    }
}

void Form::SyncDescendants(Control& container) {
    for (auto& c : components_) {
        auto* w = dynamic_cast<WinControl*>(c.get());
        if (!w || !w->Peer() || !IsInsideContainer(*w, container)) continue;
        w->Peer()->SetBounds(w->BoundsInForm());
        w->Peer()->SetVisible(w->IsShowing());
    }
}

}  // namespace kelvara::ui
