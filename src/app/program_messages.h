// The program's own window messages handled by the main window. The numbers are part of the
// program's outside interface: a second instance of any version posts WM_SHOWMAIN by number.
#pragma once

namespace kelvara::app {

// From a second start: show, restore and bring the running program to the front.
inline constexpr unsigned WM_SHOWMAIN = 0x6604;
// Posted to itself for the unattended switches /Silent and /Scan.
inline constexpr unsigned WM_AUTODEFRAG = 0x6606;
inline constexpr unsigned WM_AUTOSCAN = 0x6607;
// Posted to itself for /Undo.
inline constexpr unsigned WM_AUTOUNDO = 0x6608;

}  // namespace kelvara::app
