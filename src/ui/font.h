#pragma once
#include <string>

#include "ui/color.h"

namespace kelvara::ui {

// A font as the window definitions give it: a negative height is the character height in
// pixels (-11 is 8 points at 96 dpi).
struct Font {
    std::string name = "MS Sans Serif";
    int height = -11;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    Color color = clWindowText;
    friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace kelvara::ui
