#include "ui/control.h"

#include "ui/form.h"
#include "ui/form_table.h"
#include "ui/widget_set.h"

namespace kelvara::ui {

bool Control::IsAccessKey(char ch) const { return Enabled() && IsShowing() && MatchesAccessKey(Caption(), ch); }

void Control::ApplyKindFlags(unsigned flags) {
    if (flags & kHidden) SetVisible(false);
    if (flags & kDisabled) SetEnabled(false);
    if (flags & kShowHint) SetShowHint(true);
    if (flags & kHandCursor) SetCursor(Cursor::HandPoint);
    if (flags & kBold) {
        Font f = GetFont();
        f.bold = true;
        SetFont(f);
    }
}

void Control::SetBounds(Rect r) {
    if (r == bounds_) return;
    Rect old = bounds_;
    bounds_ = r;
    BoundsChanged(old);
    if (Owner()) Owner()->SyncDescendants(*this);
}

Rect Control::BoundsInForm() const {
    Rect r = bounds_;
    for (Control* p = parent_; p; p = p->parent_) r = r.Offset(p->bounds_.left, p->bounds_.top);
    return r;
}

void Control::SetParent(Control* parent) {
    for (Control* p = parent; p; p = p->parent_)
        if (p == this) return;  // a control cannot contain itself
    parent_ = parent;
}

void Control::SetCaption(const std::string& text) {
    if (text == caption_) return;
    caption_ = text;
    TextChanged();
}

void Control::SetHint(std::string hint) {
    if (hint == hint_) return;
    hint_ = std::move(hint);
    HintChanged();
}

void Control::SetShowHint(bool on) {
    if (on == showHint_) return;
    showHint_ = on;
    HintChanged();
}

void Control::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    VisibilityChanged();
    if (Owner()) Owner()->SyncDescendants(*this);
}

bool Control::IsShowing() const {
    for (const Control* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void Control::SetEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    EnabledChanged();
}

Font Control::GetFont() const {
    if (!parentFont_) return font_;
    if (parent_) return parent_->GetFont();
    if (Owner()) return Owner()->GetFont();
    return font_;
}

void Control::SetFont(const Font& f) {
    font_ = f;
    parentFont_ = false;
    FontChanged();
}

Color Control::GetColor() const {
    if (!parentColor_) return color_;
    if (parent_) return parent_->GetColor();
    if (Owner()) return Owner()->GetColor();
    return color_;
}

void Control::SetColor(Color c) {
    color_ = c;
    parentColor_ = false;
    ColorChanged();
}

void Control::Invalidate() {
    if (Owner() && IsShowing()) Owner()->InvalidateRect(BoundsInForm());
}

void Control::BoundsChanged(Rect old) {
    if (!Owner()) return;
    Rect oldInForm = old;
    for (Control* p = parent_; p; p = p->parent_) oldInForm = oldInForm.Offset(p->bounds_.left, p->bounds_.top);
    Owner()->InvalidateRect(oldInForm);
    Invalidate();
}

void Control::VisibilityChanged() {
    if (Owner()) Owner()->InvalidateRect(BoundsInForm());
}

void Control::HintChanged() {
    if (Owner() && Owner()->Peer()) Owner()->Peer()->HintChanged(*this);
}

void Control::Click() {
    if (OnClick) OnClick(*this);
}

void Control::DblClick() {
    if (OnDblClick) OnDblClick(*this);
}

void Control::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void Control::MouseUp(MouseButton button, ShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void Control::MouseMove(ShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void Control::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(*this);
}

void Control::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(*this);
}

}  // namespace kelvara::ui
