#include "ui/keyboard_cues.h"

#include "ui/form.h"
#include "ui/win_control.h"

namespace kelvara::ui {
namespace {

constexpr unsigned kCueFlags = UisfHideFocus | UisfHideAccel;

}  // namespace

KeyboardCues::KeyboardCues(bool alwaysShown) : alwaysShown_(alwaysShown), flags_(alwaysShown ? 0 : kCueFlags) {}

bool KeyboardCues::Change(unsigned action, unsigned flags) {
    flags &= kCueFlags;
    const unsigned before = flags_;
    switch (action) {
        case UisSet:
            if (!alwaysShown_) flags_ |= flags;
            break;
        case UisClear: flags_ &= ~flags; break;
        case UisInitialize: flags_ = alwaysShown_ ? 0 : kCueFlags; break;
        default: break;  // not an action: nothing changes
    }
    return flags_ != before;
}

unsigned KeyboardCues::FlagsRevealedBy(CueKey key) const {
    const unsigned wanted = key == CueKey::Alt ? kCueFlags : UisfHideFocus;
    return flags_ & wanted;
}

KeyboardCues CuesOf(const Control& control) {
    const Form* form = control.Owner();
    return form ? form->Cues() : KeyboardCues(true);
}

bool ChangeKeyboardCues(Form& form, unsigned action, unsigned flags) {
    if (!form.Cues().Change(action, flags)) return false;
    form.InvalidateRect({0, 0, form.ClientWidth(), form.ClientHeight()});
    // Controls with windows of their own paint themselves: each needs its own repaint.
    for (Component* c : form.Components())
        if (auto* custom = dynamic_cast<CustomControl*>(c)) custom->Invalidate();
    return true;
}

}  // namespace kelvara::ui
