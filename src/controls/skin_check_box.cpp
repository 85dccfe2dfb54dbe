#include "controls/skin_check_box.h"

#include <algorithm>

#include "controls/skin_paint.h"
#include "controls/skin_style.h"

namespace kelvara::controls {

ui::Rect TSkinCheckBox::BoxRect() const { return {0, (Height() - kBoxSide) / 2, kBoxSide, kBoxSide}; }

void TSkinCheckBox::Paint(ui::Canvas& canvas) {
    const SkinStyle& style = CurrentSkinStyle();
    // The dialog's face around the square and behind the caption.
    canvas.FillRect(ClientRect(), GetColor());

    const Look look = CurrentLook();
    ui::Color face = style.boxFace, frame = style.frame, mark = style.checkMark;
    switch (look) {
        case Look::Rest: break;
        case Look::Hover: face = style.faceHover; frame = style.frameHover; break;
        case Look::Pressed: face = style.faceDown; frame = style.frameDown; break;
        case Look::Disabled: face = style.faceDisabled; mark = style.captionDisabled; break;
    }
    const ui::Rect box = BoxRect();
    canvas.FillRect(box, face);
    canvas.FrameRect(box, frame);
    if (Checked()) {
        // A tick three pixels thick: down from the left, then up to the right.
        const int x = box.left + 3, y = box.top + 5;
        for (int t = 0; t < 3; ++t) {
            canvas.Line({x, y + t}, {x + 2, y + 2 + t}, mark);
            canvas.Line({x + 2, y + 2 + t}, {x + 7, y - 3 + t}, mark);
        }
    }

    const std::string caption = Caption();
    if (caption.empty()) return;
    const ui::Font font = GetFont();
    const ui::Size extent = canvas.TextExtent(ui::StripAccessKey(caption), font);
    const ui::Rect text{kCaptionLeft, 0, Width() - kCaptionLeft, Height()};
    DrawSkinCaption(canvas, text, caption, font, ui::TextAlign::Left, look != Look::Disabled, style);
    if (Focused() && look != Look::Disabled) {
        const int top = (Height() - extent.height) / 2 - 1;
        const int width = std::min(extent.width + 4, Width() - kCaptionLeft + 2);
        canvas.DrawFocusMark({kCaptionLeft - 2, top, width, extent.height + 2}, style.focusMark);
    }
}

}  // namespace kelvara::controls
