#pragma once
// The keyboard cues on Win32: the user's setting, the keys that reveal them, and a form
// window's answers to the UI-state messages, so its drawn controls and its native children
// show and hide their focus marks and underlines together.
#include "ui/keyboard_cues.h"
#include "ui/win32/win32_api.h"

namespace kelvara::ui::win32 {

// A new window's cues, from the "always show keyboard cues" setting (SPI_GETKEYBOARDCUES).
KeyboardCues InitialKeyboardCues();
// Tells the native children the form's state, as a window made by the dialog manager starts.
void AnnounceKeyboardCues(HWND form, const KeyboardCues& cues);
// What a key about to be handled reveals: Tab and the arrows the focus marks, Alt also the
// underlines. Sent as WM_CHANGEUISTATE to the top-level window, as the dialog manager does.
void RevealKeyboardCues(HWND root, const MSG& msg);
// A top-level window's handling of WM_CHANGEUISTATE: when the state changes, WM_UPDATEUISTATE
// to itself (and through DefWindowProc to every child) with explicit set and clear actions.
void ChangeUiState(HWND form, const KeyboardCues& current, WPARAM wParam);

}  // namespace kelvara::ui::win32
