// The colour style of the dialogs' drawn controls (buttons, check boxes, group boxes, progress
// bars). The program starts with the default scheme, the blues of the main window's pictures;
// the user may pick another built-in scheme or a theme file (colour_scheme.h), which the
// program installs once at its start, before any dialog paints.
#pragma once

#include <string>

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

    bool operator==(const SkinStyle&) const = default;
};

// The default scheme.
const SkinStyle& DefaultSkinStyle();

// The style the drawn controls paint with: the default until the program installs another.
// One for the whole run, like the settings it comes from; the program sets it on its UI thread
// before showing a window.
const SkinStyle& CurrentSkinStyle();
// Installs a style; `note` is what went wrong choosing it (empty when nothing did), kept for
// whoever reports it.
void UseSkinStyle(const SkinStyle& style, std::string note = {});
const std::string& SkinStyleNote();

}  // namespace kelvara::controls
