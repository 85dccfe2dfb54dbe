#include "ui/form.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/form_link.h"
#include "ui/list_view.h"
#include "ui/memo.h"
#include "ui/menu.h"
#include "ui/standard_controls.h"
#include "ui/timer.h"
#include "ui/widget_set.h"
#include "ui/win_control.h"

namespace kelvara::ui {
namespace {

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool IsDescendant(const Control& c, const Control& ancestor) {
    for (Control* p = c.Parent(); p; p = p->Parent())
        if (p == &ancestor) return true;
    return false;
}

Point TopLeft(const Rect& r) { return {r.left, r.top}; }

// Runs a handler through the application's error guard when there is an application.
void Guarded(Application* app, const std::function<void()>& handler) {
    if (app) {
        app->Guard(handler);
        return;
    }
    handler();
}

void ApplyFlags(Component& component, unsigned flags) {
    if (auto* c = dynamic_cast<Control*>(&component)) {
        if (flags & kHidden) c->SetVisible(false);
        if (flags & kDisabled) c->SetEnabled(false);
        if (flags & kShowHint) c->SetShowHint(true);
        if (flags & kHandCursor) c->SetCursor(Cursor::HandPoint);
        if (flags & kBold) {
            Font f = c->GetFont();
            f.bold = true;
            c->SetFont(f);
        }
    }
    if (auto* label = dynamic_cast<TLabel*>(&component)) {
        if (flags & kTransparent) label->SetTransparent(true);
        if (flags & kAlignRight) label->SetAlignment(TextAlign::Right);
        if (flags & kAlignCenter) label->SetAlignment(TextAlign::Center);
    }
    if (auto* image = dynamic_cast<TImage*>(&component)) {
        if (flags & kTransparent) image->SetTransparent(true);
        if (flags & kStretch) image->SetStretch(true);
    }
    if (auto* w = dynamic_cast<WinControl*>(&component)) {
        if (flags & kTabStop) w->SetTabStop(true);
        if (flags & kNoTabStop) w->SetTabStop(false);
    }
    if (auto* button = dynamic_cast<TButton*>(&component)) {
        if (flags & kDefault) button->SetDefault(true);
        if (flags & kCancel) button->SetCancel(true);
    }
    if (auto* box = dynamic_cast<TCheckBox*>(&component)) {
        if (flags & kChecked) box->SetChecked(true);
    }
    if (auto* memo = dynamic_cast<TMemo*>(&component)) {
        if (flags & kReadOnly) memo->SetReadOnly(true);
        if (flags & kNoBorder) memo->SetBorder(false);
    }
    if (auto* list = dynamic_cast<TListView*>(&component)) {
        if (flags & kReadOnly) list->SetReadOnly(true);
        if (flags & kGridLines) list->SetGridLines(true);
    }
    if (auto* item = dynamic_cast<TMenuItem*>(&component)) {
        if (flags & kChecked) item->SetChecked(true);
        if (flags & kDisabled) item->SetEnabled(false);
        if (flags & kHidden) item->SetVisible(false);
    }
    if (auto* timer = dynamic_cast<TTimer*>(&component)) {
        if (flags & kTimerDisabled) timer->SetEnabled(false);
    }
    component.ApplyKindFlags(flags);
}

}  // namespace

Form::Form(Form* owner) : link_(std::make_shared<detail::FormLink>()), ownerForm_(owner) {
    link_->form = this;
    app_ = Application::Current();
    if (app_) app_->FormCreated(*this);
}

Form::~Form() {
    {
        std::lock_guard lock(link_->mutex);
        link_->form = nullptr;
        link_->peer = nullptr;
    }
    if (app_) app_->FormDestroyed(*this);
    hover_ = capture_ = nullptr;
    activeControl_ = nullptr;
    for (auto& c : components_)
        if (auto* w = dynamic_cast<WinControl*>(c.get())) w->DestroyPeer();
    components_.clear();
    peer_.reset();
}

void Form::ApplicationGone() {
    {
        std::lock_guard lock(link_->mutex);
        link_->peer = nullptr;  // posts from now on are dropped
    }
    for (auto& c : components_) {
        if (auto* w = dynamic_cast<WinControl*>(c.get())) w->DestroyPeer();
        if (auto* t = dynamic_cast<TTimer*>(c.get())) t->ApplicationGone();
    }
    peer_.reset();
    app_ = nullptr;
    visible_ = false;
    hover_ = capture_ = nullptr;
}

// ---- components

Component& Form::AddComponent(std::unique_ptr<Component> component, const std::string& name,
                              const std::string& parentName) {
    if (!component) throw ComponentError("form '" + Name() + "': no component given for '" + name + "'");
    if (!name.empty() && FindComponent(name))
        throw ComponentError("form '" + Name() + "' already has a component named '" + name + "'");
    Component& c = *component;
    c.name_ = name;
    c.owner_ = this;
    if (!parentName.empty()) {
        Component* parent = FindComponent(parentName);
        auto* control = dynamic_cast<Control*>(&c);
        auto* container = dynamic_cast<Control*>(parent);
        auto* item = dynamic_cast<TMenuItem*>(&c);
        auto* menu = dynamic_cast<TPopupMenu*>(parent);
        if (control && container)
            control->SetParent(container);
        else if (item && menu)
            menu->Add(*item);
        else
            throw ComponentError("form '" + Name() + "': '" + parentName + "' cannot hold '" + name + "'");
    }
    components_.push_back(std::move(component));
    c.Added();
    if (peer_)
        if (auto* w = dynamic_cast<WinControl*>(&c)) w->CreatePeer(app_->Widgets(), *peer_);
    return c;
}

void Form::AddComponents(std::span<const ComponentSpec> table) {
    for (const ComponentSpec& row : table) {
        if (!row.kind) throw ComponentError("form '" + Name() + "': row '" + row.name + "' has no kind");
        Component& c = AddComponent(row.kind(), row.name, row.parent);
        if (auto* control = dynamic_cast<Control*>(&c)) {
            control->SetBounds(row.bounds);
            control->SetHint(row.hint);
        }
        if (*row.caption) c.SetCaption(row.caption);
        ApplyFlags(c, row.flags);
    }
}

std::vector<Component*> Form::Components() const {
    std::vector<Component*> out;
    out.reserve(components_.size());
    for (const auto& c : components_) out.push_back(c.get());
    return out;
}

Component* Form::FindComponent(const std::string& name) const {
    for (const auto& c : components_)
        if (SameName(c->Name(), name)) return c.get();
    return nullptr;
}

// ---- the window

void Form::SetCaption(const std::string& text) {
    caption_ = text;
    if (peer_) peer_->SetCaption(text);
}

void Form::SetClientSize(int width, int height) {
    clientSize_ = {width, height};
    if (peer_) peer_->SetClientSize(clientSize_);
}

void Form::SetScreenPosition(Point p) {
    position_ = p;
    if (peer_) peer_->SetScreenPosition(p);
}

Point Form::ClientOffset() const { return peer_ ? peer_->ClientOffset() : Point{}; }

Point Form::ScreenToClient(Point screen) const {
    Point offset = ClientOffset();
    return {screen.x - position_.x - offset.x, screen.y - position_.y - offset.y};
}

Point Form::ClientToScreen(Point client) const {
    Point offset = ClientOffset();
    return {client.x + position_.x + offset.x, client.y + position_.y + offset.y};
}

void Form::SetFont(const Font& f) {
    font_ = f;
    if (peer_) peer_->FontChanged();
    InvalidateRect({0, 0, clientSize_.width, clientSize_.height});
}

void Form::SetColor(Color c) {
    color_ = c;
    if (peer_) peer_->ColorChanged();
    InvalidateRect({0, 0, clientSize_.width, clientSize_.height});
}

int Form::TextWidth(const std::string& text) const { return TextWidth(text, font_); }

int Form::TextWidth(const std::string& text, const Font& font) const {
    Application* app = app_ ? app_ : Application::Current();
    if (!app) throw ComponentError("form '" + Name() + "' needs an Application to measure text");
    return app->Widgets().TextExtent(text, font).width;
}

void Form::SetWindowClassName(std::string name) {
    if (peer_) throw ComponentError("form '" + Name() + "': the window class name must be set before the window exists");
    if (name.size() > 63) throw ComponentError("form '" + Name() + "': window class name longer than 63 characters");
    className_ = std::move(name);
}

void Form::Realize() {
    if (peer_) return;
    if (!app_) app_ = Application::Current();
    if (!app_) throw ComponentError("form '" + Name() + "' needs an Application to make its window");
    peer_ = app_->Widgets().CreateFormPeer(*this);
    {
        std::lock_guard lock(link_->mutex);
        link_->peer = peer_.get();
    }
    for (auto& c : components_)
        if (auto* w = dynamic_cast<WinControl*>(c.get())) w->CreatePeer(app_->Widgets(), *peer_);
}

void Form::PlaceOnScreen() {
    Size outer = peer_->WindowSize();
    auto centreIn = [&](Rect area) {
        SetScreenPosition({area.left + (area.width - outer.width) / 2, area.top + (area.height - outer.height) / 2});
    };
    if (placement_ == FormPosition::ScreenCenter) {
        centreIn(app_->Widgets().WorkArea());
    } else if (placement_ == FormPosition::OwnerFormCenter) {
        Form* owner = ownerForm_ ? ownerForm_ : app_->MainForm();
        if (owner && owner != this && owner->Visible() && owner->peer_) {
            Size ownerSize = owner->peer_->WindowSize();
            centreIn({owner->Left(), owner->Top(), ownerSize.width, ownerSize.height});
        } else {
            centreIn(app_->Widgets().WorkArea());
        }
    } else {
        SetScreenPosition(position_);
    }
}

void Form::SyncDescendants(Control& container) {
    for (auto& c : components_) {
        auto* w = dynamic_cast<WinControl*>(c.get());
        if (!w || !w->Peer() || !IsDescendant(*w, container)) continue;
        w->Peer()->SetBounds(w->BoundsInForm());
        w->Peer()->SetVisible(w->IsShowing());
    }
}

// ---- showing and closing

void Form::Show() {
    if (!peer_) Realize();
    if (visible_) {
        peer_->BringToFront();
        return;
    }
    if (!shownOnce_) {
        // FormShow runs before the window is seen (it may translate it), and only once.
        shownOnce_ = true;
        PlaceOnScreen();
        FormShow();
    }
    visible_ = true;
    peer_->Show(true);
}

void Form::Hide() {
    if (!visible_) return;
    visible_ = false;
    if (capture_) SurfaceCaptureLost();
    hover_ = nullptr;
    if (peer_) peer_->Hide();
}

int Form::ShowModal() {
    if (visible_) throw ComponentError("form '" + Name() + "' is visible and cannot be shown modally");
    if (!peer_) Realize();
    modal_ = true;
    modalResult_ = mrNone;
    closedByClose_ = false;
    std::vector<Form*> disabled;
    for (Form* f : app_->Forms()) {
        if (f == this || !f->Visible() || !f->peer_) continue;
        f->peer_->SetEnabled(false);
        disabled.push_back(f);
    }
    try {
        Show();
        // A dialog opens with the focus on its first control in tab order, as Windows dialogs
        // do, so Enter and Space act at once; the layouts put the safe answer first.
        if (!activeControl_) SelectNext(false);
    } catch (...) {
        modal_ = false;
        for (Form* f : disabled) f->peer_->SetEnabled(true);
        throw;
    }
    peer_->RunModalLoop([this] {
        if (app_->Terminated()) return true;
        if (modalResult_ == mrNone) return false;
        if (closedByClose_) return true;
        // A result set by a button: the form still closes through FormClose, which may refuse.
        CloseAction action = CloseAction::Hide;
        app_->Guard([&] { FormClose(action); });
        if (action == CloseAction::None) {
            modalResult_ = mrNone;
            return false;
        }
        return true;
    });
    for (Form* f : disabled) {
        const auto& alive = app_->Forms();
        if (std::find(alive.begin(), alive.end(), f) != alive.end() && f->peer_) f->peer_->SetEnabled(true);
    }
    Hide();
    modal_ = false;
    closedByClose_ = false;
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    return modalResult_;
}

void Form::SetModalResult(int r) { modalResult_ = r; }

void Form::Close() {
    if (closing_) return;
    closing_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{closing_};

    bool isMain = app_ && app_->MainForm() == this && !modal_;
    CloseAction action = isMain ? CloseAction::Free : CloseAction::Hide;
    FormClose(action);
    if (action == CloseAction::None) return;
    if (modal_) {
        closedByClose_ = true;
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    if (isMain) {
        Hide();
        app_->Terminate();
        return;
    }
    if (action == CloseAction::Minimize && peer_) {
        peer_->Minimize();
        return;
    }
    Hide();
}

bool Form::Active() const { return peer_ && visible_ && peer_->IsActive(); }

// ---- messages

void Form::DispatchMessage(const Message& m) {
    auto it = handlers_.find(m.msg);
    if (it != handlers_.end()) {
        MessageHandler handler = it->second;  // a handler may replace itself
        Guarded(app_, [&] { handler(m); });
        return;
    }
    if (m.msg == WmClose) {
        Guarded(app_, [this] { Close(); });
        return;
    }
    if (m.msg == WmSysCommand && peer_) {
        if (m.wParam == ScMinimize) {
            if (app_ && app_->MainForm() == this) app_->Minimize();
            else peer_->Minimize();
        } else if (m.wParam == ScRestore) {
            if (app_ && app_->MainForm() == this) app_->Restore();
            else peer_->Restore();
        } else if (m.wParam == ScClose) {
            Guarded(app_, [this] { Close(); });
        }
    }
}

int Form::HandleNcHitTest(Point screen) {
    int result = peer_ ? peer_->DefaultHitTest(screen) : HtClient;
    Guarded(app_, [&] { result = NcHitTest(screen, result); });
    return result;
}

void Form::HandleActivate() {
    Guarded(app_, [this] { FormActivate(); });
}

void Form::HandleDeactivate() {}

void Form::HandleMinimized(bool minimized) { minimized_ = minimized; }

// ---- focus and keys

WinControl* Form::ActiveControl() const { return activeControl_; }

void Form::SelectNext(bool backwards) {
    std::vector<WinControl*> order;
    for (auto& c : components_)
        if (auto* w = dynamic_cast<WinControl*>(c.get()); w && w->TabStop() && w->Enabled() && w->IsShowing())
            order.push_back(w);
    if (order.empty()) return;
    auto at = std::find(order.begin(), order.end(), activeControl_);
    std::ptrdiff_t i = at == order.end() ? (backwards ? 0 : -1) : at - order.begin();
    std::ptrdiff_t n = static_cast<std::ptrdiff_t>(order.size());
    std::ptrdiff_t next = ((backwards ? i - 1 : i + 1) % n + n) % n;
    order[static_cast<std::size_t>(next)]->SetFocus();
    activeControl_ = order[static_cast<std::size_t>(next)];
}

void Form::HandleKey(Key key) {
    Guarded(app_, [&] {
        switch (key) {
            case Key::Tab: SelectNext(false); return;
            case Key::ShiftTab: SelectNext(true); return;
            case Key::Space:
                if (activeControl_ && activeControl_->Enabled() && activeControl_->IsShowing())
                    activeControl_->SpacePressed();
                return;
            case Key::Enter: {
                if (activeControl_ && activeControl_->IsPushButton() && activeControl_->Enabled() &&
                    activeControl_->IsShowing()) {
                    activeControl_->SpacePressed();
                    return;
                }
                if (WinControl* b = FindButton(&WinControl::IsDefaultButton)) b->Click();
                return;
            }
            case Key::Escape:
                if (WinControl* b = FindButton(&WinControl::IsCancelButton)) b->Click();
                return;
        }
    });
}

WinControl* Form::FindButton(bool (WinControl::*role)() const) const {
    for (auto& c : components_)
        if (auto* w = dynamic_cast<WinControl*>(c.get()); w && (w->*role)() && w->Enabled() && w->IsShowing()) return w;
    return nullptr;
}

bool Form::HandleChar(char ch) {
    bool consumed = false;
    Guarded(app_, [&] {
        for (auto& c : components_) {
            auto* control = dynamic_cast<Control*>(c.get());
            if (!control || !control->Enabled() || !control->IsShowing()) continue;
            if (control->DialogChar(ch)) {
                consumed = true;
                return;
            }
        }
    });
    return consumed;
}

// ---- the surface

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

void Form::PaintSurface(Canvas& canvas) {
    canvas.FillRect({0, 0, clientSize_.width, clientSize_.height}, color_);
    for (auto& c : components_) {
        auto* w = dynamic_cast<WinControl*>(c.get());
        if (!w || !w->DrawnOnFormSurface() || !w->IsShowing()) continue;
        Rect r = w->BoundsInForm();
        Canvas::Scope scope(canvas, TopLeft(r), r);
        w->PaintSurface(canvas);
    }
    for (auto& c : components_) {
        auto* g = dynamic_cast<GraphicControl*>(c.get());
        if (!g || !g->IsShowing()) continue;
        Rect r = g->BoundsInForm();
        Canvas::Scope scope(canvas, TopLeft(r), r);
        g->Paint(canvas);
    }
}

void Form::SurfaceMouseMove(Point client, ShiftState shift) {
    Guarded(app_, [&] {
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
    Guarded(app_, [&] {
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
    Guarded(app_, [&] {
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
    Guarded(app_, [&] {
        Control* old = hover_;
        hover_ = nullptr;
        old->MouseLeave();
    });
}

void Form::SurfaceCaptureLost() {
    Control* c = capture_;
    capture_ = nullptr;
    clickPending_ = false;
    if (c) Guarded(app_, [&] { c->CaptureLost(); });
}

bool Form::HandleContextMenu(Point screen) {
    Point client = ScreenToClient(screen);
    TPopupMenu* menu = nullptr;
    for (Control* c = WindowlessAt(client); c && !menu; c = c->Parent()) menu = c->PopupMenu();
    if (!menu) return false;
    Guarded(app_, [&] { menu->Popup(screen); });
    return true;
}

void Form::InvalidateRect(Rect client) {
    if (peer_ && visible_) peer_->Invalidate(client);
}

}  // namespace kelvara::ui
