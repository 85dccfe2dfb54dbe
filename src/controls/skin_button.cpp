#include "controls/skin_button.h"

#include "controls/skin_paint.h"
#include "ui/form.h"
#include "ui/form_table.h"

namespace kelvara::controls {

TSkinButton::TSkinButton() { SetTabStop(true); }

void TSkinButton::SetDefault(bool on) {
    if (on == default_) return;
    default_ = on;
    Invalidate();
}

TSkinButton::Look TSkinButton::CurrentLook() const {
    if (!Enabled()) return Look::Disabled;
    // Pressed only while the pointer is still on it: dragged off, it stands up again.
    if (held_ && pointerOver_) return Look::Pressed;
    if (pointerOver_ && !held_) return Look::Hover;
    return Look::Rest;
}

// The result first, then the handler: a modal form ends after the handler has run.
void TSkinButton::Click() {
    if (ui::Form* form = Owner(); form && modalResult_ != ui::mrNone) form->SetModalResult(modalResult_);
    CustomControl::Click();
}

bool TSkinButton::DialogChar(char ch) {
    const char key = ui::AccessKeyOf(Caption());
    if (key == 0 || !Enabled() || !IsShowing()) return false;
    const char typed = ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
    if (typed != key) return false;
    Click();
    return true;
}

bool TSkinButton::SpacePressed() {
    if (!Enabled()) return false;
    Click();
    return true;
}

void TSkinButton::ApplyKindFlags(unsigned flags) {
    if (flags & ui::kDefault) SetDefault(true);
    if (flags & ui::kCancel) SetCancel(true);
}

void TSkinButton::MouseEnter() {
    SetPointerOver(true);
    CustomControl::MouseEnter();
}

void TSkinButton::MouseLeave() {
    SetPointerOver(false);
    CustomControl::MouseLeave();
}

void TSkinButton::MouseMove(ui::ShiftState shift, int x, int y) {
    SetPointerOver(ClientRect().Contains({x, y}));
    CustomControl::MouseMove(shift, x, y);
}

void TSkinButton::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (button == ui::MouseButton::Left) {
        held_ = true;
        pointerOver_ = ClientRect().Contains({x, y});
        Invalidate();
    }
    CustomControl::MouseDown(button, shift, x, y);
}

void TSkinButton::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (button == ui::MouseButton::Left && held_) {
        held_ = false;
        Invalidate();
    }
    CustomControl::MouseUp(button, shift, x, y);
}

void TSkinButton::CaptureLost() {
    held_ = false;
    Invalidate();
}

void TSkinButton::EnabledChanged() {
    if (!Enabled()) held_ = false;
    CustomControl::EnabledChanged();
}

void TSkinButton::SetPointerOver(bool over) {
    if (over == pointerOver_) return;
    pointerOver_ = over;
    Invalidate();
}

void TSkinButton::Paint(ui::Canvas& canvas) {
    const SkinStyle& style = DefaultSkinStyle();
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
    if (default_ && look != Look::Disabled) canvas.FrameRect({1, 1, all.width - 2, all.height - 2}, style.frameDefault);

    // A pressed caption sinks one pixel, as a native button's does.
    ui::Rect text = look == Look::Pressed ? all.Offset(1, 1) : all;
    DrawSkinCaption(canvas, text, Caption(), GetFont(), ui::TextAlign::Center, look != Look::Disabled, style);
    if (Focused() && look != Look::Disabled) DrawFocusMark(canvas, {3, 3, all.width - 6, all.height - 6}, style.focusMark);
}

}  // namespace kelvara::controls
