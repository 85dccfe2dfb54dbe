// TSkinButton: the dialogs' push button, drawn by the program in the built-in style. It acts as
// a native push button does: a click gives its modal result to the form, Enter clicks the default
// button, Escape the cancel button, Space the focused one, its access key clicks it.
#pragma once

#include "controls/skin_style.h"
#include "ui/win_control.h"

namespace kelvara::controls {

class TSkinButton : public ui::CustomControl {
public:
    TSkinButton();

    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool Default() const { return default_; }
    void SetDefault(bool on);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on) { cancel_ = on; }

    // How it looks now, for painting and tests.
    enum class Look { Rest, Hover, Pressed, Disabled };
    Look CurrentLook() const;

    void Click() override;
    bool DialogChar(char ch) override;
    bool IsPushButton() const override { return true; }
    bool IsDefaultButton() const override { return default_; }
    bool IsCancelButton() const override { return cancel_; }
    bool SpacePressed() override;
    void ApplyKindFlags(unsigned flags) override;
    void Paint(ui::Canvas& canvas) override;

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

    int modalResult_ = 0;
    bool default_ = false;
    bool cancel_ = false;
    // The pointer is over the button (also while a press drags it off and back).
    bool pointerOver_ = false;
    bool held_ = false;
};

}  // namespace kelvara::controls
