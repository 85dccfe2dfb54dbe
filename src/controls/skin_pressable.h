// SkinPressable: what the dialogs' drawn push button and check box share: the look that follows
// the pointer and the left button (lit under the pointer, pressed while held on it, standing up
// again when a press is dragged off). What they do when clicked is ui/buttons.h's, as for the
// native ones.
#pragma once

#include "ui/win_control.h"

namespace kelvara::controls {

class SkinPressable : public ui::CustomControl {
public:
    SkinPressable();

    // How it looks now, for painting and tests.
    enum class Look { Rest, Hover, Pressed, Disabled };
    Look CurrentLook() const;

protected:
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(ui::ShiftState shift, int x, int y) override;
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void CaptureLost() override;
    void EnabledChanged() override;

private:
    void SetPointerOver(bool over);

    // The pointer is over the control (also while a press drags it off and back).
    bool pointerOver_ = false;
    bool held_ = false;
};

}  // namespace kelvara::controls
