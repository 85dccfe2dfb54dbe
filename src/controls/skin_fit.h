// The dialogs' captions fit their controls in the font the system really draws with: Wine's and
// Windows' fonts differ in width, and a caption cut off mid-word hides what a dialog asks. A
// label, drawn check box or drawn button whose text needs more room than designed grows to the
// right, as far as its container and the next control on its row leave room; a label or check box
// out of room on the right also moves left, but not past its container's edge. Nothing shrinks.
#pragma once

#include <string>
#include <vector>

namespace kelvara::ui {
class Form;
}

namespace kelvara::controls {

struct GrownControl {
    std::string name;
    int oldLeft, oldWidth;
    int newLeft, newWidth;
};

// Fits every label, TSkinCheckBox and TSkinButton of the form; returns those that changed.
std::vector<GrownControl> FitCaptions(ui::Form& form);

// Room a control needs beyond its caption's width: the check box's square and gap, a button's
// margins, and the few pixels Wine paints wider than it measures.
inline constexpr int kPaintSlack = 4;
inline constexpr int kButtonMargin = 6;

}  // namespace kelvara::controls
