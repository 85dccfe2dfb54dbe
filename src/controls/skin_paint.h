// Drawing shared by the dialogs' drawn controls: the caption with its access key underlined
// (embossed when disabled). Their focus mark is the canvas's DrawFocusMark.
#pragma once

#include <string>

#include "controls/skin_style.h"
#include "ui/canvas.h"

namespace kelvara::controls {

// The caption in `r` on one line, in `color` (the style's caption colour when clNone); a
// disabled one embossed as Windows draws disabled text.
void DrawSkinCaption(ui::Canvas& canvas, ui::Rect r, const std::string& caption, ui::Font font, ui::TextAlign align,
                     bool enabled, const SkinStyle& style, ui::Color color = ui::clNone);

}  // namespace kelvara::controls
