// Translation of a window from a language file: the window's caption, its controls' captions,
// its list view's column titles, its menu items' captions and the tooltips that are switched on.
#pragma once

#include <string>

namespace kelvara::ui {
class Form;
}

namespace kelvara::settings {

// Replaces the texts of `form` and of the components it owns by those of the language's file
// (LanguageFilePath). The window's section is its component name; menu items read section
// "Menu_" + that name. A missing file, section or key keeps the text as it is; every text read
// replaces the current one, even when equal. Positions and sizes are left alone.
void TranslateForm(ui::Form& form, const std::string& language);

// What every window does in its show handler: translate itself unless the current language is
// the built-in one.
void TranslateFormOnShow(ui::Form& form);

}  // namespace kelvara::settings
