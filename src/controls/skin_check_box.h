// TSkinCheckBox: the dialogs' check box, drawn by the program in the built-in style: a square
// with a tick, the caption beside it. A click, Space while focused or its access key toggles it.
#pragma once

#include "controls/skin_pressable.h"

namespace kelvara::controls {

class TSkinCheckBox : public SkinPressable {
public:
    bool Checked() const { return checked_; }
    // Setting the state raises OnClick when it changes, as a user's click does.
    void SetChecked(bool checked);

    // The square's side and the room from the control's left edge to its caption.
    static constexpr int kBoxSide = 13;
    static constexpr int kCaptionLeft = kBoxSide + 4;
    // Where the square lies: at the left, centred in the height.
    ui::Rect BoxRect() const;

    // A user's click toggles the state (and so raises OnClick once).
    void Click() override;
    bool DialogChar(char ch) override;
    void ApplyKindFlags(unsigned flags) override;
    void Paint(ui::Canvas& canvas) override;

private:
    bool checked_ = false;
};

}  // namespace kelvara::controls
