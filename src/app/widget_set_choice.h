// The widget set the program runs on: the Win32 one in the Windows program, the headless one
// presenting on the terminal in the Linux program.
#pragma once

#include <memory>

#include "ui/widget_set.h"

namespace kelvara::app {

std::unique_ptr<ui::WidgetSet> CreateProgramWidgetSet();

// True when the program has no windows to show and reports on the terminal instead.
bool PresentsOnConsole();

}  // namespace kelvara::app
