#pragma once
// A timer of the user-interface thread: OnTimer runs every Interval milliseconds while
// Enabled, between messages (never inside another handler).
#include <memory>

#include "ui/component.h"

namespace kelvara::ui {

class TimerPeer;

class TTimer : public Component {
public:
    TTimer();
    ~TTimer() override;

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);
    void ApplyKindFlags(unsigned flags) override;

    NotifyEvent OnTimer;
    // The widget set calls this on each tick.
    void Fire();
    // The application is going: the timer stops and lets go of its native side.
    void ApplicationGone();

protected:
    void Added() override { Update(); }

private:
    void Update();
    unsigned interval_ = 1000;
    bool enabled_ = true;
    std::unique_ptr<TimerPeer> peer_;
    class Application* app_ = nullptr;
};

}  // namespace kelvara::ui
