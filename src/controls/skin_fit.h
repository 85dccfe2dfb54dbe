// The dialogs' captions fit their controls in the font the system really draws with: Wine's and
// Windows' fonts differ in width, and a caption cut off mid-word hides what a dialog asks. A
// label, drawn check box or drawn button whose text needs more room than designed grows to the
// right, as far as its container and the next control on its row leave room; a label or check box
// out of room on the right also moves left, but not past its container's edge. Nothing shrinks.
#pragma once

#include <string>
#include <vector>

namespace kelvara::ui {
class Control;
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

// The width a label, TSkinCheckBox or TSkinButton needs to show its caption whole in the form's
// measure: the text as drawn (access-key marks take no room where they become an underline),
// the kind's own room (the check box's square and gap, a button's margins) and the paint slack.
// 0 for other kinds.
int CaptionNeededWidth(const ui::Form& form, const ui::Control& control);

// The rule's constants, for every window that fits captions (the dialogs here, the main window
// and its list's header in app/).
// Under Wine a text painted on a window comes out a few pixels wider than it is measured;
// without this its last letter is cut (or a header shows an ellipsis).
inline constexpr int kPaintSlack = 4;
// A drawn button's margin on each side of its caption.
inline constexpr int kButtonMargin = 6;
// A list header draws its title between margins of three edge widths on each side.
inline constexpr int kHeaderMargins = 12;
// A dialog keeps this free at a container's edge, where a frame is drawn, and between neighbours.
inline constexpr int kContainerEdgeRoom = 4;
// The main window has no frame to keep clear: a label stops just short of its edge.
inline constexpr int kWindowEdgeRoom = 2;

}  // namespace kelvara::controls
