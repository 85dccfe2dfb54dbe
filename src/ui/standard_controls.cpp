#include "ui/standard_controls.h"

#include "ui/form_table.h"

namespace kelvara::ui {

void TLabel::ApplyKindFlags(unsigned flags) {
    GraphicControl::ApplyKindFlags(flags);
    if (flags & kTransparent) SetTransparent(true);
    if (flags & kAlignRight) SetAlignment(TextAlign::Right);
    if (flags & kAlignCenter) SetAlignment(TextAlign::Center);
}

void TLabel::Paint(Canvas& canvas) {
    Rect r = ClientRect();
    if (!transparent_) canvas.FillRect(r, GetColor());
    TextFormat format;
    format.align = alignment_;
    format.accessKeyPrefix = showAccelChar_;
    Font font = GetFont();
    if (Enabled()) {
        canvas.DrawText(r, Caption(), font, format);
        return;
    }
    // A disabled label is embossed: a light copy one pixel down-right, the grey text over it.
    font.color = clBtnHighlight;
    canvas.DrawText(r.Offset(1, 1), Caption(), font, format);
    font.color = clBtnShadow;
    canvas.DrawText(r, Caption(), font, format);
}

void TImage::ApplyKindFlags(unsigned flags) {
    GraphicControl::ApplyKindFlags(flags);
    if (flags & kTransparent) SetTransparent(true);
    if (flags & kStretch) SetStretch(true);
}

void TImage::Paint(Canvas& canvas) {
    if (picture_.Empty()) return;
    if (stretch_) {
        canvas.StretchDraw(ClientRect(), picture_);
        return;
    }
    canvas.Draw({0, 0}, picture_, transparent_ ? picture_.Pixel(0, 0) : clNone);
}

}  // namespace kelvara::ui
