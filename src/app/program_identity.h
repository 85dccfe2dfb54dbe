// Names by which the program knows itself and by which other processes find it.
#pragma once

#include <string>

#include "settings/string_table.h"

namespace kelvara::app {

// The main window's class name: a fixed 64-byte field holding the name and zero bytes. A second
// start finds the running program by this name alone, so it must never change.
inline constexpr char kMainWindowClassName[64] = "Varnel Kelvara Made by Varnel Software";

inline std::string MainWindowClassName() { return std::string(kMainWindowClassName); }

// The application title: the task-bar caption and the caption of every message box.
inline constexpr const char* kApplicationTitle = settings::strings::ProductTitle.text;

}  // namespace kelvara::app
