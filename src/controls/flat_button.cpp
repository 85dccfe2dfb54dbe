#include "controls/flat_button.h"

#include <memory>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/timer.h"

namespace kelvara::controls {

// Hover tracking is shared by all flat buttons of the process: one timer watches the one
// button under the mouse (the hot button) and turns its highlight off soon after the pointer
// has gone, however it went (a jump, over another program's window). It exists while any flat
// button does.
namespace {

constexpr unsigned kHoverCheckInterval = 100;

struct HoverTracking {
    ui::TTimer timer;
    TFlatButton* hot = nullptr;
    int buttons = 0;
};

std::unique_ptr<HoverTracking> hoverTracking;

void StopHoverTracking()
{
    hoverTracking->timer.SetEnabled(false);
    hoverTracking->hot = nullptr;
}

}  // namespace

void CheckHotButton()
{
    TFlatButton* hot = hoverTracking ? hoverTracking->hot : nullptr;
    if (hot != nullptr && !hot->UnderPointer())
        hot->LeaveStep(false);
}

TFlatButton::TFlatButton()
{
    SetBounds({0, 0, 25, 25});
    // The button decides itself when a release is a click (see MouseUp).
    SetClickEvents(false);
    if (!hoverTracking) {
        hoverTracking = std::make_unique<HoverTracking>();
        hoverTracking->timer.SetEnabled(false);
        hoverTracking->timer.SetInterval(kHoverCheckInterval);
        hoverTracking->timer.OnTimer = [](ui::Component&) { CheckHotButton(); };
    }
    ++hoverTracking->buttons;
}

TFlatButton::~TFlatButton()
{
    if (hoverTracking->hot == this)
        StopHoverTracking();
    if (--hoverTracking->buttons == 0)
        hoverTracking.reset();
}

bool TFlatButton::IsHotButton() const
{
    return hoverTracking->hot == this;
}

bool TFlatButton::UnderPointer() const
{
    ui::Application* app = ui::Application::Current();
    return app != nullptr && app->ControlAtPos(app->CursorPos()) == this;
}

void TFlatButton::SetTransparentMode(TTransparentMode mode)
{
    transparentMode_ = mode;
    Invalidate();
}

void TFlatButton::SetColorFocused(ui::Color c)
{
    colours_.ColorFocused = c;
    Invalidate();
}

void TFlatButton::SetColorDown(ui::Color c)
{
    colours_.ColorDown = c;
    Invalidate();
}

void TFlatButton::SetColorBorder(ui::Color c)
{
    colours_.ColorBorder = c;
    Invalidate();
}

void TFlatButton::SetColorHighLight(ui::Color c)
{
    colours_.ColorHighLight = c;
    Invalidate();
}

void TFlatButton::SetColorShadow(ui::Color c)
{
    colours_.ColorShadow = c;
    Invalidate();
}

FlatButtonColours TFlatButton::Colours() const
{
    FlatButtonColours colours = colours_;
    colours.Color = GetColor();
    return colours;
}

std::optional<ui::Color> TFlatButton::FaceColour() const
{
    return FlatButtonFace(transparentMode_, mouseInControl_, state_, Colours());
}

FrameColours TFlatButton::Frame() const
{
    return FlatButtonFrame(state_, mouseInControl_, Colours());
}

TButtonState TFlatButton::RestingState() const
{
    return down_ && groupIndex_ != 0 ? TButtonState::Exclusive : TButtonState::Up;
}

bool TFlatButton::ApplicationActive() const
{
    ui::Application* app = ui::Application::Current();
    return app != nullptr && app->HasActiveWindow();
}

// ---- hover -------------------------------------------------------------------------------

void TFlatButton::EnterStep(bool forceRepaint)
{
    if (Enabled() && !mouseInControl_) {
        mouseInControl_ = true;
        Invalidate();
    } else if (forceRepaint) {
        Invalidate();
    }
}

void TFlatButton::LeaveStep(bool forceRepaint)
{
    if (Enabled() && mouseInControl_ && !dragging_) {
        mouseInControl_ = false;
        if (IsHotButton())
            StopHoverTracking();
        Invalidate();
        return;
    }
    // A release off the button has already put the highlight out; if it stayed the hot
    // button, a later move back over it would not count as entering and it would stay dark.
    if (!dragging_ && !mouseInControl_ && IsHotButton())
        StopHoverTracking();
    if (forceRepaint)
        Invalidate();
}

void TFlatButton::Reevaluate()
{
    if (!Enabled())
        return;
    if (UnderPointer())
        EnterStep(true);
    else
        LeaveStep(true);
}

// A move over a button that is not yet the hot one makes it hot, but only while one of the
// program's windows is active: another program's window in front keeps the buttons dark.
void TFlatButton::TrackHover()
{
    if (IsHotButton() || !UnderPointer())
        return;
    if (TFlatButton* previous = hoverTracking->hot)
        previous->LeaveStep(false);
    if (!ApplicationActive())
        return;
    hoverTracking->timer.SetEnabled(false);
    hoverTracking->hot = this;
    hoverTracking->timer.SetEnabled(true);
    EnterStep(false);
}

// ---- pressing ----------------------------------------------------------------------------

void TFlatButton::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    if (button == ui::MouseButton::Left && Enabled()) {
        if (!down_) {
            state_ = TButtonState::Down;
            Invalidate();
        }
        dragging_ = true;
    }
    GraphicControl::MouseDown(button, shift, x, y);
}

void TFlatButton::MouseMove(ui::ShiftState shift, int x, int y)
{
    TrackHover();
    if (dragging_) {
        TButtonState next;
        if (down_ && groupIndex_ != 0)
            next = TButtonState::Exclusive;
        else
            next = Inside(x, y) ? TButtonState::Down : TButtonState::Up;
        if (next != state_) {
            state_ = next;
            Invalidate();
        }
    }
    GraphicControl::MouseMove(shift, x, y);
}

void TFlatButton::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    if (button != ui::MouseButton::Left || !dragging_) {
        GraphicControl::MouseUp(button, shift, x, y);
        return;
    }
    dragging_ = false;
    const bool inside = Inside(x, y);
    if (groupIndex_ == 0) {
        state_ = TButtonState::Up;
        mouseInControl_ = false;
        if (inside)
            Invalidate();
    }
    GraphicControl::MouseUp(button, shift, x, y);
    if (inside)
        Click();
    else
        LeaveStep(false);
    Reevaluate();
}

void TFlatButton::CaptureLost()
{
    if (!dragging_)
        return;
    dragging_ = false;
    state_ = Enabled() ? RestingState() : TButtonState::Disabled;
    LeaveStep(true);
}

void TFlatButton::Click()
{
    if (ui::Form* form = Owner())
        form->SetModalResult(modalResult_);
    GraphicControl::Click();
}

bool TFlatButton::DialogChar(char ch)
{
    if (!IsAccessKey(ch))
        return false;
    Click();
    return true;
}

void TFlatButton::EnabledChanged()
{
    if (!Enabled()) {
        mouseInControl_ = false;
        state_ = TButtonState::Disabled;
        if (IsHotButton())
            StopHoverTracking();
    } else if (state_ == TButtonState::Disabled) {
        state_ = RestingState();
    }
    Reevaluate();
    GraphicControl::EnabledChanged();
}

// ---- painting ----------------------------------------------------------------------------

void TFlatButton::Paint(ui::Canvas& canvas)
{
    if (Enabled() && state_ == TButtonState::Disabled)
        state_ = RestingState();
    if (!Enabled()) {
        state_ = TButtonState::Disabled;
        dragging_ = false;
    }

    const ui::Rect client = ClientRect();
    if (std::optional<ui::Color> face = FaceColour())
        canvas.FillRect(client, *face);

    const FrameColours frame = Frame();
    const int right = client.width - 1;
    const int bottom = client.height - 1;
    canvas.Line({0, 0}, {right, 0}, frame.topLeft);
    canvas.Line({0, 0}, {0, bottom}, frame.topLeft);
    canvas.Line({0, bottom}, {right + 1, bottom}, frame.bottomRight);
    canvas.Line({right, 0}, {right, bottom}, frame.bottomRight);

    // The caption sits centred; pressed, it moves one pixel right and down.
    ui::Rect textRect = client;
    if (state_ == TButtonState::Down || state_ == TButtonState::Exclusive)
        textRect = textRect.Offset(1, 1);
    ui::TextFormat format;
    format.align = ui::TextAlign::Center;
    format.verticalCenter = true;
    format.accessKeyPrefix = true;
    format.transparent = true;
    ui::Font font = GetFont();
    if (state_ == TButtonState::Disabled) {
        // Embossed grey caption: a light copy one pixel lower right, the shadow on top.
        font.color = ui::clBtnHighlight;
        canvas.DrawText(textRect.Offset(1, 1), Caption(), font, format);
        font.color = ui::clBtnShadow;
    }
    canvas.DrawText(textRect, Caption(), font, format);
}

}  // namespace kelvara::controls
