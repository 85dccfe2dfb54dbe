#include "controls/skin_group_box.h"

#include "controls/skin_paint.h"
#include "controls/skin_style.h"
#include "ui/widget_set.h"

namespace kelvara::controls {

void TSkinGroupBox::SetCaption(const std::string& text) {
    ContainerControl::SetCaption(text);
    Invalidate();
}

int TSkinGroupBox::FrameTop(ui::Canvas& canvas) const {
    if (Caption().empty()) return 0;
    return canvas.TextExtent("0", GetFont()).height / 2;
}

void TSkinGroupBox::PaintSurface(ui::Canvas& canvas) {
    const SkinStyle& style = CurrentSkinStyle();
    const int top = FrameTop(canvas);
    const ui::Rect frame{0, top, Width(), Height() - top};
    // A one-pixel frame with a light line inside it, as the main window's rules are drawn.
    canvas.FrameRect(frame, style.groupFrame);
    canvas.FrameRect({frame.left + 1, frame.top + 1, frame.width - 2, frame.height - 2}, style.captionEmboss);
    if (Caption().empty()) return;
    const ui::Font font = GetFont();
    const ui::Size text = canvas.TextExtent(ui::StripAccessKey(Caption()), font);
    const ui::Rect gap{8, 0, text.width + 4, text.height};
    canvas.FillRect(gap, GetColor());
    DrawSkinCaption(canvas, {gap.left + 2, 0, text.width, text.height}, Caption(), font, ui::TextAlign::Left, Enabled(),
                    style, style.groupCaption);
}

std::unique_ptr<ui::ControlPeer> TSkinGroupBox::MakePeer(ui::WidgetSet& widgets, ui::FormPeer& form) {
    return widgets.CreateSurfacePeer(*this, form);
}

}  // namespace kelvara::controls
