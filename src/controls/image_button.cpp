#include "controls/image_button.h"

#include "common/ascii_text.h"
#include "ui/form.h"
#include "ui/timer.h"
#include "ui/widget_set.h"

namespace kelvara::controls {

TImageButton::TImageButton() = default;
TImageButton::~TImageButton() = default;

void TImageButton::SetPicNormal(ui::Picture picture)
{
    picNormal_ = std::move(picture);
    if (autoSize_ && !picNormal_.Empty())
        SetBounds({Left(), Top(), picNormal_.Width(), picNormal_.Height()});
    Invalidate();
}

void TImageButton::SetPicMouseOn(ui::Picture picture)
{
    picMouseOn_ = std::move(picture);
    Invalidate();
}

void TImageButton::SetPicMouseDown(ui::Picture picture)
{
    picMouseDown_ = std::move(picture);
    Invalidate();
}

void TImageButton::SetPicDisabled(ui::Picture picture)
{
    picDisabled_ = std::move(picture);
    Invalidate();
}

void TImageButton::SetStretch(bool on)
{
    stretch_ = on;
    Invalidate();
}

void TImageButton::SetAutoSize(bool on)
{
    autoSize_ = on;
    if (autoSize_ && !picNormal_.Empty())
        SetBounds({Left(), Top(), picNormal_.Width(), picNormal_.Height()});
}

void TImageButton::SetTransparent(bool on)
{
    transparent_ = on;
    Invalidate();
}

void TImageButton::SetDrawFocused(bool on)
{
    drawFocused_ = on;
    Invalidate();
}

void TImageButton::SetFocusedRectMargin(int margin)
{
    focusedRectMargin_ = margin;
    Invalidate();
}

const ui::Picture& TImageButton::CurrentPicture() const
{
    const ui::Picture* chosen = &picNormal_;
    if (!Enabled())
        chosen = &picDisabled_;
    else if (pressed_)
        chosen = &picMouseDown_;
    else if (mouseOn_)
        chosen = &picMouseOn_;
    return chosen->Empty() ? picNormal_ : *chosen;
}

void TImageButton::Paint(ui::Canvas& canvas)
{
    const ui::Rect client = ClientRect();
    if (transparent_)
        PaintParentSurface(canvas);
    else
        canvas.FillRect(client, GetColor());

    const ui::Picture& picture = CurrentPicture();
    if (!picture.Empty()) {
        if (stretch_)
            canvas.StretchDraw(client, picture);
        else
            canvas.Draw({0, 0}, picture, transparent_ ? picture.Pixel(0, 0) : ui::clNone);
    }

    if (drawFocused_ && Focused() && TabStop()) {
        const int m = focusedRectMargin_;
        canvas.DrawFocusMark({m, m, client.width - 2 * m, client.height - 2 * m}, ui::clBlack);
    }

    if (!common::AsciiBlank(Caption())) {
        ui::TextFormat format;
        format.align = ui::TextAlign::Center;
        format.verticalCenter = true;
        format.accessKeyPrefix = true;
        canvas.DrawText(client, Caption(), GetFont(), format);
    }
}

void TImageButton::MouseEnter()
{
    mouseOn_ = true;
    Invalidate();
    CustomControl::MouseEnter();
}

void TImageButton::MouseLeave()
{
    mouseOn_ = false;
    pressed_ = false;
    StopRepeat();
    Invalidate();
    // The leave event of this control is called OnMouseExit.
    if (OnMouseExit)
        OnMouseExit(*this);
    CustomControl::MouseLeave();
}

void TImageButton::MouseMove(ui::ShiftState shift, int x, int y)
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
        // The repeat belongs to a press over the button: it ends with the press.
        StopRepeat();
        if (mouseOn_ || pressed_) {
            mouseOn_ = false;
            pressed_ = false;
            Invalidate();
        }
    }
    CustomControl::MouseMove(shift, x, y);
}

void TImageButton::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    if (button == ui::MouseButton::Left) {
        pressed_ = true;
        StartRepeat();
        if (TabStop() && IsShowing() && Enabled())
            SetFocus();   // a control that cannot take the focus just stays without it
        Invalidate();
    }
    CustomControl::MouseDown(button, shift, x, y);
}

void TImageButton::Click()
{
    if (pressed_) {
        StopRepeat();
        pressed_ = false;
        Invalidate();
    }
    if (ui::Form* form = Owner())
        form->SetModalResult(modalResult_);
    CustomControl::Click();
}

void TImageButton::CaptureLost()
{
    mouseOn_ = false;
    pressed_ = false;
    StopRepeat();
    Invalidate();
}

void TImageButton::StartRepeat()
{
    if (repeatTimer_)
        return;
    repeatTimer_ = std::make_unique<ui::TTimer>();
    repeatTimer_->SetInterval(repeatInterval_);
    repeatTimer_->OnTimer = [this](ui::Component&) {
        if (OnMouseContinuouslyDown)
            OnMouseContinuouslyDown(*this);
    };
    repeatTimer_->SetEnabled(true);
}

void TImageButton::StopRepeat()
{
    repeatTimer_.reset();
}

}  // namespace kelvara::controls
