// Translation of a window from a language file. Language files are not read yet: until they
// are, every window keeps its built-in English texts, and the call keeps its place in the
// windows' start-up order.
#pragma once

#include <string>

namespace kelvara::ui {
class Form;
}

namespace kelvara::settings {

inline void TranslateFormNotBuiltYet(ui::Form&, const std::string& /*language*/) {}

}  // namespace kelvara::settings
