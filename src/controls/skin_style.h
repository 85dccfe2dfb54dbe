// The one colour style of the dialogs' drawn controls (buttons, check boxes, group boxes,
// progress bars): the blues of the main window's pictures, framed like its flat buttons, so a
// dialog opened from the main window looks as if it belonged to it.
#pragma once

#include "ui/color.h"

namespace kelvara::controls {

struct SkinStyle {
    // Push buttons and the check boxes' square.
    ui::Color face;           // at rest
    ui::Color faceHover;      // under the mouse
    ui::Color faceDown;       // pressed
    ui::Color faceDisabled;
    ui::Color frame;          // at rest and disabled
    ui::Color frameHover;
    ui::Color frameDown;
    ui::Color frameDefault;   // the default button's second frame
    ui::Color caption;
    // A disabled caption is embossed: a light copy one pixel down and right under a grey one.
    ui::Color captionDisabled;
    ui::Color captionEmboss;
    ui::Color focusMark;      // the dotted rectangle of the focused control
    ui::Color checkMark;
    ui::Color boxFace;        // the check box's square at rest
    // Group boxes.
    ui::Color groupFrame;
    ui::Color groupCaption;
    // Progress bars.
    ui::Color barBack;
    ui::Color barFill;
    ui::Color barFrame;
    ui::Color barCaption;
};

// The built-in style.
const SkinStyle& DefaultSkinStyle();

}  // namespace kelvara::controls
