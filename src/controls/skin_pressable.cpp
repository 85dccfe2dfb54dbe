#include "controls/skin_pressable.h"

#include "ui/canvas.h"

namespace kelvara::controls {

SkinPressable::SkinPressable() { SetTabStop(true); }

SkinPressable::Look SkinPressable::CurrentLook() const {
    if (!Enabled()) return Look::Disabled;
    // Pressed only while the pointer is still on it: dragged off, it stands up again.
    if (held_ && pointerOver_) return Look::Pressed;
    if (pointerOver_ && !held_) return Look::Hover;
    return Look::Rest;
}

void SkinPressable::MouseEnter() {
    SetPointerOver(true);
    CustomControl::MouseEnter();
}

void SkinPressable::MouseLeave() {
    SetPointerOver(false);
    CustomControl::MouseLeave();
}

void SkinPressable::MouseMove(ui::ShiftState shift, int x, int y) {
    SetPointerOver(ClientRect().Contains({x, y}));
    CustomControl::MouseMove(shift, x, y);
}

void SkinPressable::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (button == ui::MouseButton::Left) {
        held_ = true;
        pointerOver_ = ClientRect().Contains({x, y});
        Invalidate();
    }
    CustomControl::MouseDown(button, shift, x, y);
}

void SkinPressable::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (button == ui::MouseButton::Left && held_) {
        held_ = false;
        Invalidate();
    }
    CustomControl::MouseUp(button, shift, x, y);
}

void SkinPressable::CaptureLost() {
    held_ = false;
    Invalidate();
}

void SkinPressable::EnabledChanged() {
    if (!Enabled()) held_ = false;
    CustomControl::EnabledChanged();
}

void SkinPressable::SetPointerOver(bool over) {
    if (over == pointerOver_) return;
    pointerOver_ = over;
    Invalidate();
}

}  // namespace kelvara::controls
