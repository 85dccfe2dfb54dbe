// Mouse routing on the form's own surface: hit testing, hover, capture and click for the
// windowless controls, and context menus.
#include "ui/form.h"

#include "ui/application.h"
#include "ui/menu.h"
#include "ui/widget_set.h"
#include "ui/win_control.h"

namespace kelvara::ui {

Control* Form::ControlAt(Point client) const {
    for (auto it = components_.rbegin(); it != components_.rend(); ++it) {
        auto* w = dynamic_cast<WinControl*>(it->get());
        if (w && !w->DrawnOnFormSurface() && w->IsShowing() && w->BoundsInForm().Contains(client)) return w;
    }
    if (Control* c = WindowlessAt(client)) return c;
    for (auto it = components_.rbegin(); it != components_.rend(); ++it) {
        auto* w = dynamic_cast<WinControl*>(it->get());
        if (w && w->DrawnOnFormSurface() && w->IsShowing() && w->BoundsInForm().Contains(client)) return w;
    }
    return nullptr;
}

Control* Form::WindowlessAt(Point client) const {
    for (auto it = components_.rbegin(); it != components_.rend(); ++it) {
        auto* g = dynamic_cast<GraphicControl*>(it->get());
        if (g && g->IsShowing() && g->BoundsInForm().Contains(client)) return g;
    }
    return nullptr;
}

void Form::SurfaceMouseMove(Point client, ShiftState shift) {
    RunGuarded(app_, [&] {
        Control* under = WindowlessAt(client);
        if (under != hover_) {
            Control* old = hover_;
            hover_ = under;
            if (old) old->MouseLeave();
            if (under) under->MouseEnter();
        }
        Control* target = capture_ ? capture_ : (under && under->Enabled() ? under : nullptr);
        if (!target) return;
        Rect r = target->BoundsInForm();
        target->MouseMove(shift, client.x - r.left, client.y - r.top);
    });
}

void Form::SurfaceMouseDown(Point client, MouseButton button, ShiftState shift, bool doubleClick) {
    RunGuarded(app_, [&] {
        Control* c = WindowlessAt(client);
        if (!c || !c->Enabled()) return;
        capture_ = c;
        clickPending_ = button == MouseButton::Left;
        if (peer_) peer_->SetCapture(true);
        Rect r = c->BoundsInForm();
        c->MouseDown(button, shift, client.x - r.left, client.y - r.top);
        if (doubleClick && button == MouseButton::Left) c->DblClick();
    });
}

void Form::SurfaceMouseUp(Point client, MouseButton button, ShiftState shift) {
    RunGuarded(app_, [&] {
        Control* c = capture_;
        if (!c) {
            c = WindowlessAt(client);
            if (c && !c->Enabled()) c = nullptr;
        }
        bool clicked = capture_ && clickPending_ && button == MouseButton::Left;
        capture_ = nullptr;
        clickPending_ = false;
        if (peer_) peer_->SetCapture(false);
        if (!c) return;
        Rect r = c->BoundsInForm();
        Point local{client.x - r.left, client.y - r.top};
        c->MouseUp(button, shift, local.x, local.y);
        if (clicked && c->ClickEvents() && c->Enabled() && c->ClientRect().Contains(local)) c->Click();
    });
}

void Form::SurfaceMouseLeave() {
    if (!hover_) return;
    RunGuarded(app_, [&] {
        Control* old = hover_;
        hover_ = nullptr;
        old->MouseLeave();
    });
}

void Form::SurfaceCaptureLost() {
    Control* c = capture_;
    capture_ = nullptr;
    clickPending_ = false;
    if (c) RunGuarded(app_, [&] { c->CaptureLost(); });
}

bool Form::HandleContextMenu(Point screen) {
    Point client = ScreenToClient(screen);
    TPopupMenu* menu = nullptr;
    for (Control* c = WindowlessAt(client); c && !menu; c = c->Parent()) menu = c->PopupMenu();
    if (!menu) return false;
    RunGuarded(app_, [&] { menu->Popup(screen); });
    return true;
}

}  // namespace kelvara::ui
