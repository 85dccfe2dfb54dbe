// Painting the form's own surface: its colour, the containers drawn on it, then the windowless
// controls in component order.
#include "ui/form.h"

#include "ui/widget_set.h"
#include "ui/win_control.h"

namespace kelvara::ui {

void Form::PaintSurface(Canvas& canvas) {
    canvas.FillRect({0, 0, clientSize_.width, clientSize_.height}, color_);
    for (auto& c : components_) {
        auto* w = dynamic_cast<WinControl*>(c.get());
        if (!w || !w->DrawnOnFormSurface() || !w->IsShowing()) continue;
        Rect r = w->BoundsInForm();
        Canvas::Scope scope(canvas, {r.left, r.top}, r);
        w->PaintSurface(canvas);
    }
    for (auto& c : components_) {
        auto* g = dynamic_cast<GraphicControl*>(c.get());
        if (!g || !g->IsShowing()) continue;
        Rect r = g->BoundsInForm();
        Canvas::Scope scope(canvas, {r.left, r.top}, r);
        g->Paint(canvas);
    }
}

void Form::InvalidateRect(Rect client) {
    if (peer_ && visible_) peer_->Invalidate(client);
}

}  // namespace kelvara::ui
