#include "controls/shift_image.h"

namespace kelvara::controls {

void TShiftImage::MouseEnter()
{
    TImage::MouseEnter();
    if (Enabled())
        SetPicture(focusedPicture_);
}

void TShiftImage::MouseLeave()
{
    TImage::MouseLeave();
    if (Enabled())
        SetPicture(noFocusedPicture_);
}

void TShiftImage::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    TImage::MouseDown(button, shift, x, y);
    // Only one sink per press, however many buttons go down together.
    if (!shifted_) {
        shifted_ = true;
        SetBounds(Bounds().Offset(kShift, kShift));
    }
}

void TShiftImage::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    TImage::MouseUp(button, shift, x, y);
    if (shifted_) {
        shifted_ = false;
        SetBounds(Bounds().Offset(-kShift, -kShift));
    }
}

// The press ended elsewhere (a message box took the mouse): put the picture back in place.
void TShiftImage::CaptureLost()
{
    if (shifted_) {
        shifted_ = false;
        SetBounds(Bounds().Offset(-kShift, -kShift));
    }
}

}  // namespace kelvara::controls
