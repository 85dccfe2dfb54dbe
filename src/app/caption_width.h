// The width of a caption as the window draws it, for sizing buttons to their texts.
#pragma once

#include <string_view>

#include "ui/font.h"

namespace kelvara::app {

// Width in pixels of the caption on one line in the font, without its access-key marks
// (the '&' is not drawn, so it takes no room).
int CaptionWidth(std::string_view caption, const ui::Font& font);

}  // namespace kelvara::app
