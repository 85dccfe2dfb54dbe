// The colour schemes of the dialogs' drawn controls: a few built in, and one a user writes in a
// theme file beside the program. The settings name the scheme ("Scheme" in options.ini);
// choosing never fails: a name the program does not know, or a theme file it cannot use, gives
// the default scheme and a note saying which file and which value were the trouble.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "controls/skin_style.h"

namespace kelvara::controls {

struct NamedScheme {
    const char* name;
    SkinStyle style;
};

// The built-in schemes; the first is the default.
std::span<const NamedScheme> BuiltInSchemes();
// A built-in scheme by name (ASCII letters in any case), or nullptr.
const SkinStyle* FindBuiltInScheme(std::string_view name);

// The scheme name that reads the theme file, and the file's name in the program's folder.
inline constexpr const char* kThemeSchemeName = "Theme";
inline constexpr const char* kThemeFileName = "Theme.ini";

struct SchemeChoice {
    SkinStyle style;
    std::string note;   // empty when the chosen scheme was used as asked
};

// The scheme the settings name: "" or a built-in name gives that scheme; "Theme" reads
// Theme.ini in `programFolder` (which ends with its separator).
SchemeChoice ChooseScheme(std::string_view name, const std::string& programFolder);

}  // namespace kelvara::controls
