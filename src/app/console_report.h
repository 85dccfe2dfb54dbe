// The main window as text: its hive list (the four columns) and its four totals, for the Linux
// program, which has no screen to show them on.
#pragma once

#include <ostream>

namespace kelvara::app {

class TfrmMain;

void PrintMainWindowReport(const TfrmMain& form, std::ostream& out);

}  // namespace kelvara::app
