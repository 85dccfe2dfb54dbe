#pragma once
// Keyboard cues: the focus marks and the access-key underlines. Windows keeps them hidden in a
// window until the keyboard is used there (unless the user asked to see them always, the
// "keyboard cues" setting), so a mouse user sees clean buttons and captions. A form keeps one
// such state for all its drawn controls; the changes carry Windows' own numbers, so the Win32
// widget set passes its UI-state messages through unchanged.
#include <cstdint>

namespace kelvara::ui {

class Form;
class Control;

// The action of a change (low word of WM_CHANGEUISTATE / WM_UPDATEUISTATE).
inline constexpr unsigned UisSet = 1;         // set the flags: hide
inline constexpr unsigned UisClear = 2;       // clear the flags: show
inline constexpr unsigned UisInitialize = 3;  // as the last input calls for
// The flags (high word), as WM_QUERYUISTATE answers them.
inline constexpr unsigned UisfHideFocus = 0x1;
inline constexpr unsigned UisfHideAccel = 0x2;

// Keys that reveal the cues, as the dialog manager and the menu bar treat them.
enum class CueKey {
    Alt,         // access keys are wanted: underlines and focus marks
    Navigation,  // Tab, Shift+Tab, arrows: the focus moves, its mark shows
};

class KeyboardCues {
public:
    // A new window: hidden unless the user keeps the cues always on.
    explicit KeyboardCues(bool alwaysShown = false);

    bool FocusHidden() const { return (flags_ & UisfHideFocus) != 0; }
    bool AccelHidden() const { return (flags_ & UisfHideAccel) != 0; }
    // The state as WM_QUERYUISTATE reports it.
    unsigned Flags() const { return flags_; }
    bool AlwaysShown() const { return alwaysShown_; }

    // Applies one change; true when the state changed (Windows sends no update otherwise).
    // With the cues always on, requests to hide are ignored. UisInitialize starts again from
    // the setting, since the program has no record of the last input event.
    bool Change(unsigned action, unsigned flags);
    // What a key press reveals: the flags to clear, 0 when the state already shows them.
    unsigned FlagsRevealedBy(CueKey key) const;

private:
    bool alwaysShown_;
    unsigned flags_;
};

// The cues a control is drawn with: those of its form (shown when it has none yet).
KeyboardCues CuesOf(const Control& control);
// Applies a change to a form's cues and repaints its drawn controls when they changed.
bool ChangeKeyboardCues(Form& form, unsigned action, unsigned flags);

}  // namespace kelvara::ui
