#include "ui/containers.h"

#include "ui/widget_set.h"

namespace kelvara::ui {

std::unique_ptr<ControlPeer> TGroupBox::MakePeer(WidgetSet& widgets, FormPeer& form) {
    return widgets.CreateGroupBoxPeer(*this, form);
}

void TGroupBox::PaintSurface(Canvas& canvas) {
    Font font = GetFont();
    Size text = canvas.TextExtent(Caption().empty() ? std::string("0") : StripAccessKey(Caption()), font);
    int frameTop = text.height / 2;
    Rect frame{0, frameTop, Width(), Height() - frameTop};
    // An etched frame: shadow, then highlight one pixel in.
    canvas.FrameRect({frame.left, frame.top, frame.width - 1, frame.height - 1}, clBtnShadow);
    canvas.FrameRect({frame.left + 1, frame.top + 1, frame.width - 1, frame.height - 1}, clBtnHighlight);
    if (Caption().empty()) return;
    Rect label{8, 0, text.width + 4, text.height};
    canvas.FillRect(label, GetColor());
    TextFormat format;
    format.accessKeyPrefix = true;
    if (!Enabled()) font.color = clGrayText;
    canvas.DrawText({label.left + 2, 0, text.width, text.height}, Caption(), font, format);
}

std::unique_ptr<ControlPeer> TPanel::MakePeer(WidgetSet& widgets, FormPeer& form) {
    return widgets.CreatePanelPeer(*this, form);
}

void TPanel::PaintSurface(Canvas& canvas) {
    Rect r = ClientRect();
    canvas.FillRect(r, GetColor());
    if (bevel_) {
        // Lowered, as Windows draws a sunken outer edge: shadow above and left, light below
        // and right. A panel two pixels high is then an etched rule.
        canvas.FillRect({0, 0, r.width, 1}, clBtnShadow);
        canvas.FillRect({0, 0, 1, r.height}, clBtnShadow);
        canvas.FillRect({0, r.height - 1, r.width, 1}, clBtnHighlight);
        canvas.FillRect({r.width - 1, 0, 1, r.height}, clBtnHighlight);
    }
    if (Caption().empty()) return;
    TextFormat format;
    format.align = alignment_;
    format.verticalCenter = true;
    format.accessKeyPrefix = true;
    canvas.DrawText(r, Caption(), GetFont(), format);
}

}  // namespace kelvara::ui
