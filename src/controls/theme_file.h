// The theme file: the user's own colours for the dialogs' drawn controls, as an INI file.
//
//   [Theme]
//   Base=Silver            ; a built-in scheme for the colours not given (default: the default)
//   [Colours]
//   Face=244,248,252       ; red, green, blue, each 0 to 255
//   Frame=$00B99D7F        ; or a Windows colour value (0x00BBGGRR), decimal or hexadecimal
//
// The colour names are those of SkinStyle with a capital first letter (Face, FaceHover,
// FaceDown, FaceDisabled, Frame, FrameHover, FrameDown, FrameDefault, Caption,
// CaptionDisabled, CaptionEmboss, FocusMark, CheckMark, BoxFace, GroupFrame, GroupCaption,
// BarBack, BarFill, BarFrame, BarCaption); other names are not read. One bad value spoils the file: a half-applied theme
// could put text on a face of its own colour, so the program keeps its default scheme instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "controls/skin_style.h"
#include "ui/color.h"

namespace kelvara::controls {

struct ThemeLoad {
    SkinStyle style;     // the theme, or the default scheme when it could not be used
    std::string error;   // empty when the theme was used; else names the file and the value
};

ThemeLoad LoadThemeFile(const std::string& path);
// The theme from a file's text; `path` only names it in the error.
ThemeLoad ParseTheme(std::string_view text, const std::string& path);

// A colour as the theme file writes it: "R,G,B" or a Windows colour value 0 to $00FFFFFF
// (system colours and anything else give none).
std::optional<ui::Color> ParseThemeColour(std::string_view text);

}  // namespace kelvara::controls
