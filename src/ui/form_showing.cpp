// Showing and hiding a form without a modal loop.
#include "ui/form.h"

#include "ui/widget_set.h"

namespace kelvara::ui {

void Form::Show() {
    if (!peer_) Realize();
    if (visible_) {
        peer_->BringToFront();
        return;
    }
    if (!shownOnce_) {
        // FormShow runs before the window is seen (it may translate it), and only once.
        shownOnce_ = true;
        PlaceOnScreen();
        FormShow();
    }
    visible_ = true;
    peer_->Show(true);
}

void Form::Hide() {
    if (!visible_) return;
    visible_ = false;
    if (capture_) SurfaceCaptureLost();
    hover_ = nullptr;
    if (peer_) peer_->Hide();
}

bool Form::Active() const { return peer_ && visible_ && peer_->IsActive(); }

}  // namespace kelvara::ui
