// A form's life (made, destroyed, outliving its application), its window's properties and
// the making of its native window.
#include "ui/form.h"

#include "ui/application.h"
#include "ui/form_link.h"
#include "ui/timer.h"
#include "ui/widget_set.h"
#include "ui/win_control.h"

namespace kelvara::ui {

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

}  // namespace kelvara::ui
