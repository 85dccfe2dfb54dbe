#include "ui/win_control.h"

#include "ui/application.h"
#include "ui/form.h"
#include "ui/form_table.h"
#include "ui/menu.h"
#include "ui/widget_set.h"

namespace kelvara::ui {
WinControl::~WinControl() = default;

bool WinControl::Focused() const { return peer_ && peer_->Focused(); }

bool WinControl::SetFocus() {
    if (!peer_ || !IsShowing() || !Enabled()) return false;
    if (!peer_->SetFocus()) return false;
    if (Owner()) Owner()->ControlFocused(this);
    return true;
}

void WinControl::Invalidate() {
    Control::Invalidate();
    // The form's repaint does not reach into a child window: it repaints itself.
    if (peer_ && !DrawnOnFormSurface()) peer_->Invalidate();
}

void WinControl::ApplyKindFlags(unsigned flags) {
    Control::ApplyKindFlags(flags);
    if (flags & kTabStop) SetTabStop(true);
    if (flags & kNoTabStop) SetTabStop(false);
}

void WinControl::CreatePeer(WidgetSet& widgets, FormPeer& form) {
    peer_ = MakePeer(widgets, form);
    if (!peer_) return;
    peer_->SetBounds(BoundsInForm());
    peer_->SetText(Caption());
    peer_->SetEnabled(Enabled());
    peer_->SetVisible(IsShowing());
    PeerCreated();
}

void WinControl::DestroyPeer() { peer_.reset(); }

void WinControl::PeerClicked() { RunGuarded(Application::Current(), [this] { Click(); }); }

void WinControl::PeerFocused() {
    if (Owner()) Owner()->ControlFocused(this);
}

void WinControl::BoundsChanged(Rect old) {
    if (peer_) peer_->SetBounds(BoundsInForm());
    if (DrawnOnFormSurface()) Control::BoundsChanged(old);
}

void WinControl::TextChanged() {
    if (peer_) peer_->SetText(Caption());
    if (DrawnOnFormSurface()) Control::Invalidate();
}

void WinControl::VisibilityChanged() {
    if (peer_) peer_->SetVisible(IsShowing());
    if (DrawnOnFormSurface()) Control::VisibilityChanged();
}

void WinControl::EnabledChanged() {
    if (peer_) peer_->SetEnabled(Enabled());
    if (DrawnOnFormSurface()) Control::Invalidate();
}

void WinControl::FontChanged() {
    if (peer_) peer_->FontChanged();
    if (DrawnOnFormSurface()) Control::Invalidate();
}

void WinControl::ColorChanged() {
    if (peer_) peer_->ColorChanged();
    if (DrawnOnFormSurface()) Control::Invalidate();
}

void WinControl::HintChanged() {
    if (peer_) peer_->HintChanged();
}

std::unique_ptr<ControlPeer> CustomControl::MakePeer(WidgetSet& widgets, FormPeer& form) {
    return widgets.CreateCustomControlPeer(*this, form);
}

void CustomControl::TextChanged() {
    WinControl::TextChanged();
    Invalidate();
}

void CustomControl::EnabledChanged() {
    WinControl::EnabledChanged();
    Invalidate();
}

void CustomControl::FontChanged() {
    WinControl::FontChanged();
    Invalidate();
}

void CustomControl::ColorChanged() {
    WinControl::ColorChanged();
    Invalidate();
}

void CustomControl::PaintParentSurface(Canvas& canvas) {
    if (!Owner()) return;
    Rect r = BoundsInForm();
    Canvas::Scope scope(canvas, {-r.left, -r.top}, ClientRect());
    Owner()->PaintSurface(canvas);
}

void CustomControl::PeerMouseMove(Point p, ShiftState shift) {
    RunGuarded(Application::Current(), [&] {
        if (!mouseInside_ && ClientRect().Contains(p)) {
            mouseInside_ = true;
            MouseEnter();
        }
        MouseMove(shift, p.x, p.y);
    });
}

void CustomControl::PeerMouseDown(Point p, MouseButton button, ShiftState shift, bool doubleClick) {
    if (!Enabled()) return;
    RunGuarded(Application::Current(), [&] {
        if (button == MouseButton::Left) pressed_ = true;
        if (TabStop()) SetFocus();
        MouseDown(button, shift, p.x, p.y);
        if (doubleClick && button == MouseButton::Left) DblClick();
    });
}

void CustomControl::PeerMouseUp(Point p, MouseButton button, ShiftState shift) {
    RunGuarded(Application::Current(), [&] {
        bool wasPressed = pressed_ && button == MouseButton::Left;
        if (button == MouseButton::Left) pressed_ = false;
        MouseUp(button, shift, p.x, p.y);
        if (wasPressed && ClickEvents() && Enabled() && ClientRect().Contains(p)) Click();
        if (button == MouseButton::Right && PopupMenu() && Owner())
            PopupMenu()->Popup(Owner()->ClientToScreen({BoundsInForm().left + p.x, BoundsInForm().top + p.y}));
    });
}

void CustomControl::PeerMouseLeave() {
    if (!mouseInside_) return;
    RunGuarded(Application::Current(), [&] {
        mouseInside_ = false;
        MouseLeave();
    });
}

void CustomControl::PeerCaptureLost() {
    pressed_ = false;
    RunGuarded(Application::Current(), [&] { CaptureLost(); });
}

}  // namespace kelvara::ui
