#include "controls/skin_check_box.h"

#include <algorithm>

#include "controls/skin_paint.h"
#include "controls/skin_style.h"
#include "ui/form_table.h"

namespace kelvara::controls {

TSkinCheckBox::TSkinCheckBox() { SetTabStop(true); }

void TSkinCheckBox::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    Invalidate();
    CustomControl::Click();
}

TSkinCheckBox::Look TSkinCheckBox::CurrentLook() const {
    if (!Enabled()) return Look::Disabled;
    if (held_ && pointerOver_) return Look::Pressed;
    if (pointerOver_ && !held_) return Look::Hover;
    return Look::Rest;
}

ui::Rect TSkinCheckBox::BoxRect() const { return {0, (Height() - kBoxSide) / 2, kBoxSide, kBoxSide}; }

void TSkinCheckBox::Click() {
    checked_ = !checked_;
    Invalidate();
    CustomControl::Click();
}

// The box takes the focus too, so the user sees which one changed.
bool TSkinCheckBox::DialogChar(char ch) {
    const char key = ui::AccessKeyOf(Caption());
    if (key == 0 || !Enabled() || !IsShowing()) return false;
    const char typed = ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
    if (typed != key) return false;
    SetFocus();
    Click();
    return true;
}

bool TSkinCheckBox::SpacePressed() {
    if (!Enabled()) return false;
    Click();
    return true;
}

void TSkinCheckBox::ApplyKindFlags(unsigned flags) {
    if (flags & ui::kChecked) SetChecked(true);
}

void TSkinCheckBox::MouseEnter() {
    SetPointerOver(true);
    CustomControl::MouseEnter();
}

void TSkinCheckBox::MouseLeave() {
    SetPointerOver(false);
    CustomControl::MouseLeave();
}

void TSkinCheckBox::MouseMove(ui::ShiftState shift, int x, int y) {
    SetPointerOver(ClientRect().Contains({x, y}));
    CustomControl::MouseMove(shift, x, y);
}

void TSkinCheckBox::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (button == ui::MouseButton::Left) {
        held_ = true;
        pointerOver_ = ClientRect().Contains({x, y});
        Invalidate();
    }
    CustomControl::MouseDown(button, shift, x, y);
}

void TSkinCheckBox::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (button == ui::MouseButton::Left && held_) {
        held_ = false;
        Invalidate();
    }
    CustomControl::MouseUp(button, shift, x, y);
}

void TSkinCheckBox::CaptureLost() {
    held_ = false;
    Invalidate();
}

void TSkinCheckBox::EnabledChanged() {
    if (!Enabled()) held_ = false;
    CustomControl::EnabledChanged();
}

void TSkinCheckBox::SetPointerOver(bool over) {
    if (over == pointerOver_) return;
    pointerOver_ = over;
    Invalidate();
}

void TSkinCheckBox::Paint(ui::Canvas& canvas) {
    const SkinStyle& style = DefaultSkinStyle();
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
    if (checked_) {
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
        DrawFocusMark(canvas, {kCaptionLeft - 2, top, width, extent.height + 2}, style.focusMark);
    }
}

}  // namespace kelvara::controls
