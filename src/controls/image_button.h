// TImageButton: a windowed button drawn from pictures, one for each look (normal, mouse on,
// pressed, disabled). The main window's minimise button is one.
#pragma once

#include <memory>

#include "ui/component.h"
#include "ui/picture.h"
#include "ui/win_control.h"

namespace kelvara::ui {
class TTimer;
}

namespace kelvara::controls {

class TImageButton : public ui::CustomControl {
public:
    TImageButton();
    ~TImageButton() override;

    const ui::Picture& PicNormal() const { return picNormal_; }
    void SetPicNormal(ui::Picture picture);
    const ui::Picture& PicMouseOn() const { return picMouseOn_; }
    void SetPicMouseOn(ui::Picture picture);
    const ui::Picture& PicMouseDown() const { return picMouseDown_; }
    void SetPicMouseDown(ui::Picture picture);
    const ui::Picture& PicDisabled() const { return picDisabled_; }
    void SetPicDisabled(ui::Picture picture);

    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);
    // AutoSize: the control takes the size of PicNormal whenever that picture is set.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    // Transparent: the colour of the picture's top-left pixel is see-through and no fill is
    // drawn behind it; otherwise the picture is drawn opaque over a fill with Color.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    bool DrawFocused() const { return drawFocused_; }
    void SetDrawFocused(bool on);
    int FocusedRectMargin() const { return focusedRectMargin_; }
    void SetFocusedRectMargin(int margin);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    unsigned MouseContinuouslyDownInterval() const { return repeatInterval_; }
    void SetMouseContinuouslyDownInterval(unsigned ms) { repeatInterval_ = ms; }

    ui::NotifyEvent OnMouseExit;
    // Raised on every tick of the repeat timer while the left button is held on the button.
    ui::NotifyEvent OnMouseContinuouslyDown;

    bool MouseOn() const { return mouseOn_; }
    bool Pressed() const { return pressed_; }
    bool Repeating() const { return repeatTimer_ != nullptr; }
    // The picture painted now, after the fallback to PicNormal (may be empty).
    const ui::Picture& CurrentPicture() const;

    void Paint(ui::Canvas& canvas) override;
    void Click() override;
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseMove(ui::ShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void CaptureLost() override;

private:
    void StartRepeat();
    void StopRepeat();

    ui::Picture picNormal_, picMouseOn_, picMouseDown_, picDisabled_;
    bool stretch_ = false;
    bool autoSize_ = false;
    bool transparent_ = false;
    bool drawFocused_ = false;
    int focusedRectMargin_ = 2;
    int modalResult_ = 0;
    unsigned repeatInterval_ = 100;
    bool mouseOn_ = false;
    bool pressed_ = false;
    std::unique_ptr<ui::TTimer> repeatTimer_;
};

}  // namespace kelvara::controls
