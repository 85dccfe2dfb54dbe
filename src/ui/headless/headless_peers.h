#pragma once
// The headless peers: they hold the little state a display would (shown, enabled, minimised)
// and hand posts, timers and loops to the widget set.
#include <memory>

#include "ui/form.h"
#include "ui/timer.h"
#include "ui/widget_set.h"
#include "ui/win_control.h"

namespace kelvara::ui::headless {

class HeadlessWidgetSet;
class InstanceServer;

class HeadlessFormPeer : public FormPeer {
public:
    HeadlessFormPeer(HeadlessWidgetSet& set, Form& form);
    ~HeadlessFormPeer() override;

    void SetCaption(const std::string&) override {}
    void SetClientSize(Size) override {}
    void SetScreenPosition(Point) override {}
    Point ClientOffset() const override;
    Size WindowSize() const override;
    void Show(bool activate) override;
    void Hide() override;
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    void Minimize() override;
    void Restore() override;
    bool IsActive() const override;
    void BringToFront() override;
    void Invalidate(Rect) override { ++invalidations_; }
    void SetCapture(bool) override {}
    int DefaultHitTest(Point screen) override;
    void PostToQueue(Message message) override;
    void RunModalLoop(const std::function<bool()>& done) override;

    bool Showing() const { return showing_; }
    bool Enabled() const { return enabled_; }
    int Invalidations() const { return invalidations_; }

private:
    HeadlessWidgetSet& set_;
    Form& form_;
    std::shared_ptr<detail::FormLink> link_;
    std::unique_ptr<InstanceServer> instance_;
    bool showing_ = false;
    bool enabled_ = true;
    int invalidations_ = 0;
};

class HeadlessControlPeer : public ControlPeer {
public:
    explicit HeadlessControlPeer(WinControl& control) : control_(control) {}
    void SetBounds(Rect) override {}
    void SetText(const std::string&) override {}
    void SetVisible(bool) override {}
    void SetEnabled(bool) override {}
    void Invalidate() override {}
    bool SetFocus() override { return true; }
    bool Focused() const override { return control_.Owner() && control_.Owner()->ActiveControl() == &control_; }

private:
    WinControl& control_;
};

class HeadlessTimer : public TimerPeer {
public:
    HeadlessTimer(HeadlessWidgetSet& set, TTimer& timer) : set_(set), timer_(timer) {}
    ~HeadlessTimer() override;
    void Start(unsigned intervalMs) override;
    void Stop() override;
    void Fire() { timer_.Fire(); }

private:
    HeadlessWidgetSet& set_;
    TTimer& timer_;
};

}  // namespace kelvara::ui::headless
