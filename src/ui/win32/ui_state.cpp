#include "ui/win32/ui_state.h"

namespace kelvara::ui::win32 {
namespace {

constexpr WORD kBothCues = UISF_HIDEFOCUS | UISF_HIDEACCEL;

// Set for the flags now hidden and clear for the others, so no window has to guess what an
// "initialize" means for it.
void SendUpdate(HWND form, unsigned hidden) {
    if (hidden) SendMessageA(form, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, hidden), 0);
    if (unsigned shown = kBothCues & ~hidden) SendMessageA(form, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, shown), 0);
}

}  // namespace

KeyboardCues InitialKeyboardCues() {
    BOOL always = FALSE;
    if (!SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &always, 0)) always = FALSE;
    return KeyboardCues(always != FALSE);
}

void AnnounceKeyboardCues(HWND form, const KeyboardCues& cues) { SendUpdate(form, cues.Flags()); }

void RevealKeyboardCues(HWND root, const MSG& msg) {
    const bool repeat = (msg.lParam & (1L << 30)) != 0;
    WORD reveal = 0;
    if (msg.message == WM_KEYDOWN) {
        switch (msg.wParam) {
            case VK_TAB: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: reveal = UISF_HIDEFOCUS; break;
            default: break;
        }
    } else if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_MENU && !repeat) {
        reveal = kBothCues;
    }
    if (reveal) SendMessageA(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, reveal), 0);
}

void ChangeUiState(HWND form, const KeyboardCues& current, WPARAM wParam) {
    KeyboardCues next = current;
    if (!next.Change(LOWORD(wParam), HIWORD(wParam))) return;
    SendUpdate(form, next.Flags());
}

}  // namespace kelvara::ui::win32
