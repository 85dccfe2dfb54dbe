// TSkinCheckBox: the dialogs' check box, drawn by the program in the built-in style: a square
// with a tick, the caption beside it. A click, Space while focused or its access key toggles it.
#pragma once

#include "controls/skin_pressable.h"
#include "ui/buttons.h"

namespace kelvara::controls {

class TSkinCheckBox : public ui::CheckBoxBehaviour<SkinPressable> {
public:
    // The square's side and the room from the control's left edge to its caption.
    static constexpr int kBoxSide = 13;
    static constexpr int kCaptionLeft = kBoxSide + 4;
    // Where the square lies: at the left, centred in the height.
    ui::Rect BoxRect() const;

    void Paint(ui::Canvas& canvas) override;

protected:
    void CheckedChanged() override { Invalidate(); }
};

}  // namespace kelvara::controls
