#pragma once
// Window messages and the values that travel with them. The names follow Windows' own, in a
// spelling that does not collide with <windows.h>'s macros; the numbers are Windows' numbers,
// so a message posted by another program (or a second instance) means the same here.
#include <cstdint>
#include <string>

namespace kelvara::ui {

inline constexpr unsigned WmClose = 0x0010;
inline constexpr unsigned WmSysCommand = 0x0112;
// The program's own messages are numbered from here (WM_USER).
inline constexpr unsigned WmUser = 0x0400;

// System commands (first parameter of WmSysCommand).
inline constexpr std::uintptr_t ScMinimize = 0xF020;
inline constexpr std::uintptr_t ScRestore = 0xF120;
inline constexpr std::uintptr_t ScClose = 0xF060;

// Non-client hit-test results.
inline constexpr int HtNowhere = 0;
inline constexpr int HtClient = 1;
inline constexpr int HtCaption = 2;

// Modal results, and the answers of message boxes (the same numbers as IDOK, IDCANCEL...).
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;

// One posted message. `text` carries a string for messages posted with PostText (a worker
// that shows a hive path in a memo), so the text stays in order with the other posts.
struct Message {
    unsigned msg = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::string text;
};

enum class MouseButton { Left, Right, Middle };

struct ShiftState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool left = false;
    bool right = false;
    bool middle = false;
};

enum class Cursor { Default, Arrow, HandPoint, IBeam, Wait };

// Keys the framework acts on itself (dialog navigation); characters arrive separately.
enum class Key { Tab, ShiftTab, Enter, Escape, Space };

}  // namespace kelvara::ui
