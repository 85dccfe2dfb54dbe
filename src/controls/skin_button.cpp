#include "controls/skin_button.h"

#include "controls/skin_paint.h"
#include "controls/skin_style.h"

namespace kelvara::controls {

void TSkinButton::Paint(ui::Canvas& canvas) {
    const SkinStyle& style = CurrentSkinStyle();
    const ui::Rect all = ClientRect();
    const Look look = CurrentLook();
    ui::Color face = style.face, frame = style.frame;
    switch (look) {
        case Look::Rest: break;
        case Look::Hover: face = style.faceHover; frame = style.frameHover; break;
        case Look::Pressed: face = style.faceDown; frame = style.frameDown; break;
        case Look::Disabled: face = style.faceDisabled; break;
    }
    canvas.FillRect(all, face);
    canvas.FrameRect(all, frame);
    // The default button carries a second, darker frame, as a native default button does.
    if (Default() && look != Look::Disabled) canvas.FrameRect({1, 1, all.width - 2, all.height - 2}, style.frameDefault);

    // A pressed caption sinks one pixel, as a native button's does.
    ui::Rect text = look == Look::Pressed ? all.Offset(1, 1) : all;
    DrawSkinCaption(canvas, text, Caption(), GetFont(), ui::TextAlign::Center, look != Look::Disabled, style);
    if (Focused() && look != Look::Disabled) canvas.DrawFocusMark({3, 3, all.width - 6, all.height - 6}, style.focusMark);
}

}  // namespace kelvara::controls
