// Start-up steps whose features are not built yet. Each keeps its place in the start-up order
// and does nothing, as its name says, until its feature replaces it.
#pragma once

#include <string>

namespace kelvara::ui {
class Form;
}

namespace kelvara::app {

class TfrmMain;

// Language files are not read yet: every window keeps its built-in English texts.
inline void TranslateFormNotBuiltYet(ui::Form&, const std::string& /*language*/) {}

// The switches /Silent and /Scan are not acted on yet: the program always runs interactively.
inline void ExamineCommandLineNotBuiltYet(TfrmMain&) {}

}  // namespace kelvara::app
