#include "ui/headless/headless_peers.h"

#include "ui/headless/headless_widget_set.h"
#include "ui/headless/instance_channel.h"

namespace kelvara::ui::headless {
namespace {

// The frame of a dialog as the classic Windows theme draws it: 3 pixels, a 19-pixel caption.
constexpr int kFrame = 3;
constexpr int kCaption = 19;

}  // namespace

HeadlessFormPeer::HeadlessFormPeer(HeadlessWidgetSet& set, Form& form) : set_(set), form_(form), link_(form.Link()) {
    form.Cues() = KeyboardCues(set.KeyboardCuesAlwaysShown());
    if (!form.WindowClassName().empty())
        instance_ = std::make_unique<InstanceServer>(set.RuntimeDir(), form.WindowClassName(), form.Handle());
}

HeadlessFormPeer::~HeadlessFormPeer() {
    instance_.reset();
    set_.FormGone(form_);
}

Point HeadlessFormPeer::ClientOffset() const {
    if (form_.GetBorderStyle() == BorderStyle::None) return {0, 0};
    return {kFrame, kFrame + kCaption};
}

Size HeadlessFormPeer::WindowSize() const {
    Point offset = ClientOffset();
    int frame = form_.GetBorderStyle() == BorderStyle::None ? 0 : kFrame;
    return {form_.ClientWidth() + offset.x + frame, form_.ClientHeight() + offset.y + frame};
}

void HeadlessFormPeer::Show(bool activate) {
    showing_ = true;
    set_.FormShown(form_, activate);
}

void HeadlessFormPeer::Hide() {
    showing_ = false;
    set_.FormHidden(form_);
}

void HeadlessFormPeer::Minimize() { form_.HandleMinimized(true); }

void HeadlessFormPeer::Restore() { form_.HandleMinimized(false); }

bool HeadlessFormPeer::IsActive() const { return set_.ActiveForm() == &form_; }

void HeadlessFormPeer::BringToFront() {
    if (showing_) set_.FormShown(form_, true);
}

int HeadlessFormPeer::DefaultHitTest(Point screen) {
    Size outer = WindowSize();
    Rect window{form_.Left(), form_.Top(), outer.width, outer.height};
    if (!window.Contains(screen)) return HtNowhere;
    Point client = form_.ScreenToClient(screen);
    if (client.x >= 0 && client.y >= 0 && client.x < form_.ClientWidth() && client.y < form_.ClientHeight())
        return HtClient;
    return client.y < 0 ? HtCaption : HtNowhere;
}

void HeadlessFormPeer::PostToQueue(Message message) { set_.Enqueue({link_, std::move(message)}); }

void HeadlessFormPeer::RunModalLoop(const std::function<bool()>& done) { set_.RunLoop(form_, done); }

HeadlessTimer::~HeadlessTimer() { set_.TimerGone(*this); }

void HeadlessTimer::Start(unsigned intervalMs) { set_.TimerChanged(*this, true, intervalMs); }

void HeadlessTimer::Stop() { set_.TimerChanged(*this, false, 0); }

}  // namespace kelvara::ui::headless
