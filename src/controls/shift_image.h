// TShiftImage: a picture that changes under the mouse (FocusedPicture / NoFocusedPicture) and
// sinks by two pixels while a mouse button is held on it. The main window's close picture.
#pragma once

#include "ui/standard_controls.h"

namespace kelvara::controls {

class TShiftImage : public ui::TImage {
public:
    const ui::Picture& FocusedPicture() const { return focusedPicture_; }
    void SetFocusedPicture(ui::Picture picture) { focusedPicture_ = std::move(picture); }
    const ui::Picture& NoFocusedPicture() const { return noFocusedPicture_; }
    void SetNoFocusedPicture(ui::Picture picture) { noFocusedPicture_ = std::move(picture); }

    // True between a button going down on the picture and coming up again.
    bool Shifted() const { return shifted_; }

    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void CaptureLost() override;

private:
    static constexpr int kShift = 2;
    ui::Picture focusedPicture_;
    ui::Picture noFocusedPicture_;
    bool shifted_ = false;
};

}  // namespace kelvara::controls
