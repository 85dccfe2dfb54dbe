#pragma once
// The Windows headers, included in one place for this folder only, and the names this widget
// set gives to the messages and values it uses.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <shellapi.h>

// The framework has members named like these ANSI/Unicode switch macros (Form::DispatchMessage,
// Application::MessageBox and IsMinimized, Canvas::DrawText and TextOut); this folder calls the
// A functions (and IsIconic) by their full names instead.
#undef DispatchMessage
#undef MessageBox
#undef DrawText
#undef TextOut
#undef IsMinimized

namespace kelvara::ui::win32 {

// A posted message that carries a text: the text waits in the form's table under the id in
// wParam until the message is handled, so it keeps its place among the other posts.
inline constexpr UINT kTextMessage = WM_APP + 0x100;

inline constexpr const char* kDefaultFormClass = "KelvaraForm";
inline constexpr const char* kControlClass = "KelvaraControl";
inline constexpr const char* kTimerWindowClass = "KelvaraTimers";

// Child-window identifiers start here; 0 and the dialog ids IDOK/IDCANCEL stay free.
inline constexpr int kFirstChildId = 100;

}  // namespace kelvara::ui::win32
