// TSkinButton: the dialogs' push button, drawn by the program in the built-in style. It acts as
// a native push button does: a click gives its modal result to the form, Enter clicks the default
// button, Escape the cancel button, Space the focused one, its access key clicks it.
#pragma once

#include "controls/skin_pressable.h"
#include "ui/buttons.h"

namespace kelvara::controls {

class TSkinButton : public ui::PushButtonBehaviour<SkinPressable> {
public:
    void Paint(ui::Canvas& canvas) override;

protected:
    void DefaultChanged() override { Invalidate(); }
};

}  // namespace kelvara::controls
