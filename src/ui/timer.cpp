#include "ui/timer.h"

#include "ui/application.h"
#include "ui/form_table.h"
#include "ui/widget_set.h"

namespace kelvara::ui {

TTimer::TTimer() = default;

void TTimer::ApplyKindFlags(unsigned flags) {
    if (flags & kTimerDisabled) SetEnabled(false);
}

TTimer::~TTimer() {
    if (!peer_) return;
    peer_->Stop();
    peer_.reset();
    if (app_) app_->TimerDestroyed(*this);
}

void TTimer::ApplicationGone() {
    if (peer_) peer_->Stop();
    peer_.reset();
    app_ = nullptr;
}

void TTimer::SetInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Update();
}

void TTimer::SetEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    Update();
}

void TTimer::Update() {
    Application* app = Application::Current();
    if (!app) return;
    if (!peer_) {
        peer_ = app->Widgets().CreateTimerPeer(*this);
        app_ = app;
        app->TimerCreated(*this);
    }
    // Restarting on every change makes a new interval count from now, as Windows' SetTimer does.
    peer_->Stop();
    if (enabled_ && interval_ > 0) peer_->Start(interval_);
}

void TTimer::Fire() {
    if (!enabled_ || !OnTimer) return;
    if (Application* app = Application::Current()) {
        app->Guard([this] { OnTimer(*this); });
        return;
    }
    OnTimer(*this);
}

}  // namespace kelvara::ui
