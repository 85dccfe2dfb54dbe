// TSkinButton: the dialogs' push button, drawn by the program in the built-in style. It acts as
// a native push button does: a click gives its modal result to the form, Enter clicks the default
// button, Escape the cancel button, Space the focused one, its access key clicks it.
#pragma once

#include "controls/skin_pressable.h"

namespace kelvara::controls {

class TSkinButton : public SkinPressable {
public:
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool Default() const { return default_; }
    void SetDefault(bool on);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on) { cancel_ = on; }

    void Click() override;
    bool DialogChar(char ch) override;
    bool IsPushButton() const override { return true; }
    bool IsDefaultButton() const override { return default_; }
    bool IsCancelButton() const override { return cancel_; }
    void ApplyKindFlags(unsigned flags) override;
    void Paint(ui::Canvas& canvas) override;

private:
    int modalResult_ = 0;
    bool default_ = false;
    bool cancel_ = false;
};

}  // namespace kelvara::controls
