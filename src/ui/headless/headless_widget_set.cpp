#include "ui/headless/headless_widget_set.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/memo.h"
#include "ui/progress_bar.h"
#include "ui/headless/headless_peers.h"
#include "ui/headless/instance_channel.h"
#include "ui/headless/recording_canvas.h"
#include "ui/list_view.h"
#include "ui/menu.h"
#include "ui/thread.h"

namespace kelvara::ui::headless {
namespace {

// How long a loop with nothing to do waits for a worker's post before it looks again.
constexpr auto kIdleWait = std::chrono::milliseconds(5);
// A form that refuses to close this often when its loop has nothing left is abandoned.
constexpr int kMaxIdleCloses = 3;

// The report-style list view as Windows draws it in the default font: the header row, then
// rows of equal height. Clicks select by these.
constexpr int kListHeaderHeight = 17;
constexpr int kListRowHeight = 14;

Point Local(const Control& c, Point client) {
    Rect r = c.BoundsInForm();
    return {client.x - r.left, client.y - r.top};
}

}  // namespace

HeadlessWidgetSet& Of(Application& app) {
    auto* set = dynamic_cast<HeadlessWidgetSet*>(&app.Widgets());
    if (!set) throw std::logic_error(std::string("the application runs the ") + app.Widgets().Name() + " widget set");
    return *set;
}

HeadlessWidgetSet::HeadlessWidgetSet(Mode mode)
    : mode_(mode), start_(std::chrono::steady_clock::now()), runtimeDir_(DefaultRuntimeDir()) {}

HeadlessWidgetSet::~HeadlessWidgetSet() = default;

// ---- peers

std::unique_ptr<FormPeer> HeadlessWidgetSet::CreateFormPeer(Form& form) {
    return std::make_unique<HeadlessFormPeer>(*this, form);
}
std::unique_ptr<ControlPeer> HeadlessWidgetSet::CreateButtonPeer(TButton& c, FormPeer&) {
    return std::make_unique<HeadlessControlPeer>(c);
}
std::unique_ptr<ControlPeer> HeadlessWidgetSet::CreateCheckBoxPeer(TCheckBox& c, FormPeer&) {
    return std::make_unique<HeadlessControlPeer>(c);
}
std::unique_ptr<ControlPeer> HeadlessWidgetSet::CreateGroupBoxPeer(TGroupBox& c, FormPeer&) {
    return std::make_unique<HeadlessControlPeer>(c);
}
std::unique_ptr<ControlPeer> HeadlessWidgetSet::CreateSurfacePeer(WinControl& c, FormPeer&) {
    return std::make_unique<HeadlessControlPeer>(c);
}
std::unique_ptr<ControlPeer> HeadlessWidgetSet::CreatePanelPeer(TPanel& c, FormPeer&) {
    return std::make_unique<HeadlessControlPeer>(c);
}
std::unique_ptr<ControlPeer> HeadlessWidgetSet::CreateMemoPeer(TMemo& c, FormPeer&) {
    return std::make_unique<HeadlessControlPeer>(c);
}
std::unique_ptr<ControlPeer> HeadlessWidgetSet::CreateProgressBarPeer(TProgressBar& c, FormPeer&) {
    return std::make_unique<HeadlessControlPeer>(c);
}
std::unique_ptr<ControlPeer> HeadlessWidgetSet::CreateListViewPeer(TListView& c, FormPeer&) {
    return std::make_unique<HeadlessControlPeer>(c);
}
std::unique_ptr<ControlPeer> HeadlessWidgetSet::CreateCustomControlPeer(CustomControl& c, FormPeer&) {
    return std::make_unique<HeadlessControlPeer>(c);
}
std::unique_ptr<TimerPeer> HeadlessWidgetSet::CreateTimerPeer(TTimer& timer) {
    return std::make_unique<HeadlessTimer>(*this, timer);
}

// ---- queue and loops

void HeadlessWidgetSet::Enqueue(Posted p) {
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(p));
    }
    queueChanged_.notify_all();
}

int HeadlessWidgetSet::PendingMessages() const {
    std::lock_guard lock(queueMutex_);
    return static_cast<int>(queue_.size());
}

bool HeadlessWidgetSet::QueueHoldsMessages() {
    std::lock_guard lock(queueMutex_);
    return !queue_.empty();
}

bool HeadlessWidgetSet::DispatchOne() {
    Posted p;
    {
        std::lock_guard lock(queueMutex_);
        if (queue_.empty()) return false;
        p = std::move(queue_.front());
        queue_.pop_front();
    }
    Form* form = nullptr;
    {
        std::lock_guard lock(p.link->mutex);
        form = p.link->form;
    }
    // Forms are destroyed on this thread only, so a form alive now stays alive for the call.
    if (form) form->DispatchMessage(p.message);
    return true;
}

void HeadlessWidgetSet::RunMainLoop() {
    quit_ = false;
    Application& app = Application::Instance();
    Form* main = app.MainForm();
    if (!main) return;
    RunLoop(*main, [&] { return quit_ || app.Terminated(); });
}

void HeadlessWidgetSet::Quit() {
    quit_ = true;
    queueChanged_.notify_all();
}

void HeadlessWidgetSet::ProcessMessages() {
    while (DispatchOne()) {
    }
    if (mode_ == Mode::Console) FireDueTimers(Now());
}

void HeadlessWidgetSet::RunLoop(Form& top, const std::function<bool()>& done) {
    int idleCloses = 0;
    while (!done()) {
        if (DispatchOne()) continue;
        if (mode_ == Mode::Console && FireDueTimers(Now())) continue;
        if (idleHook_ && idleHook_(top)) continue;
        if (done()) break;
        if (RunningThreadCount() > 0) {
            std::unique_lock lock(queueMutex_);
            queueChanged_.wait_for(lock, kIdleWait, [&] { return !queue_.empty(); });
            continue;
        }
        // A worker posts before it counts as ended, so with none left running the queue now holds
        // everything they sent; one that ended since the queue was last found empty has posted
        // after that look, and its messages come before the window can count as idle.
        if (QueueHoldsMessages()) continue;
        CloseIdle(top, idleCloses);
    }
}

void HeadlessWidgetSet::CloseIdle(Form& top, int& attempts) {
    // Nothing is pending and nobody works: the user, having seen it all, closes the window.
    Application& app = Application::Instance();
    if (++attempts > kMaxIdleCloses) {
        std::fprintf(stderr, "%s: window '%s' does not close; ending the program\n", app.Title().c_str(),
                     top.Name().c_str());
        app.Terminate();
        return;
    }
    app.Guard([&] { top.Close(); });
}

// ---- clock and timers

std::int64_t HeadlessWidgetSet::Now() const {
    if (mode_ == Mode::Test) return virtualNow_;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
}

void HeadlessWidgetSet::TimerChanged(HeadlessTimer& t, bool running, unsigned interval) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const TimerState& s) { return s.timer == &t; }),
                  timers_.end());
    if (running) timers_.push_back({&t, interval, Now() + interval, timerOrder_++});
}

void HeadlessWidgetSet::TimerGone(HeadlessTimer& t) { TimerChanged(t, false, 0); }

std::optional<std::int64_t> HeadlessWidgetSet::NextTimerDue() const {
    std::optional<std::int64_t> next;
    for (const TimerState& s : timers_)
        if (!next || s.due < *next) next = s.due;
    return next;
}

void HeadlessWidgetSet::FireTimer(std::int64_t due) {
    // Of the timers due at this moment, the one started first.
    auto it = timers_.end();
    for (auto i = timers_.begin(); i != timers_.end(); ++i)
        if (i->due == due && (it == timers_.end() || i->order < it->order)) it = i;
    if (it == timers_.end()) return;
    HeadlessTimer* timer = it->timer;
    it->due += it->interval;
    timer->Fire();  // may stop, restart or destroy this very timer
}

bool HeadlessWidgetSet::FireDueTimers(std::int64_t now) {
    bool fired = false;
    std::vector<HeadlessTimer*> due;
    for (TimerState& s : timers_)
        if (s.due <= now) {
            due.push_back(s.timer);
            s.due = now + s.interval;  // missed ticks are not made up, as with WM_TIMER
        }
    for (HeadlessTimer* t : due) {
        bool stillThere = std::any_of(timers_.begin(), timers_.end(), [&](const TimerState& s) { return s.timer == t; });
        if (!stillThere) continue;
        t->Fire();
        fired = true;
    }
    return fired;
}

void HeadlessWidgetSet::AdvanceClock(std::int64_t ms) {
    if (mode_ != Mode::Test) {
        ProcessMessages();
        return;
    }
    std::int64_t target = virtualNow_ + ms;
    for (;;) {
        auto next = NextTimerDue();
        if (!next || *next > target) break;
        virtualNow_ = std::max(virtualNow_, *next);
        FireTimer(*next);
        while (DispatchOne()) {
        }
    }
    virtualNow_ = target;
    while (DispatchOne()) {
    }
}

// ---- windows

void HeadlessWidgetSet::FormShown(Form& f, bool activate) {
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), &f), zOrder_.end());
    zOrder_.push_back(&f);
    if (!activate || active_ == &f) return;
    active_ = &f;
    if (!otherAppActive_) f.HandleActivate();
}

void HeadlessWidgetSet::FormHidden(Form& f) {
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), &f), zOrder_.end());
    if (pointerForm_ == &f) {
        LeaveWindowed();
        pointerForm_ = nullptr;
    }
    if (active_ != &f) return;
    active_ = nullptr;
    // Windows activates the next window down, typically the owner of a closed dialog.
    for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it) {
        auto* peer = dynamic_cast<HeadlessFormPeer*>((*it)->Peer());
        if (peer && peer->Enabled()) {
            active_ = *it;
            if (!otherAppActive_) active_->HandleActivate();
            return;
        }
    }
}

void HeadlessWidgetSet::FormGone(Form& f) {
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), &f), zOrder_.end());
    if (active_ == &f) active_ = nullptr;
    if (pointerForm_ == &f) pointerForm_ = nullptr;
    if (dragForm_ == &f) dragForm_ = nullptr;
    // The form's controls are already destroyed here: compare by their form, never touch them.
    if (windowedForm_ == &f) {
        hoverWindowed_ = nullptr;
        pressedWindowed_ = nullptr;
        windowedForm_ = nullptr;
    }
}

Form* HeadlessWidgetSet::ActiveForm() { return otherAppActive_ ? nullptr : active_; }

void HeadlessWidgetSet::SetOtherAppActive(bool other) {
    if (other == otherAppActive_) return;
    otherAppActive_ = other;
    if (!other && active_) active_->HandleActivate();
}

bool HeadlessWidgetSet::IsShowing(const Form& form) const {
    auto* peer = dynamic_cast<HeadlessFormPeer*>(form.Peer());
    return peer && peer->Showing();
}

void HeadlessWidgetSet::MinimizeApp(Form* mainForm) {
    appMinimized_ = true;
    if (mainForm) mainForm->HandleMinimized(true);
}

void HeadlessWidgetSet::RestoreApp(Form* mainForm) {
    appMinimized_ = false;
    if (mainForm) mainForm->HandleMinimized(false);
}

bool HeadlessWidgetSet::IsAppMinimized(Form*) { return appMinimized_; }

void HeadlessWidgetSet::BringAppToFront(Form* mainForm) {
    otherAppActive_ = false;
    Form* top = zOrder_.empty() ? mainForm : zOrder_.back();
    if (top && IsShowing(*top)) FormShown(*top, true);
}

// ---- dialogs and shell

int HeadlessWidgetSet::ShowMessageBox(const MessageBoxRequest& request, Form*) {
    int answer = DefaultAnswer(request);
    if (mode_ == Mode::Test && !boxAnswers_.empty()) {
        answer = boxAnswers_.front();
        boxAnswers_.pop_front();
    }
    if (mode_ == Mode::Console) std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    boxes_.push_back({request, answer});
    return answer;
}

void HeadlessWidgetSet::ScriptMessageBoxAnswer(int answer) { boxAnswers_.push_back(answer); }

void HeadlessWidgetSet::ScriptPopupChoice(std::string itemName) { popupChoices_.push_back(std::move(itemName)); }

TMenuItem* HeadlessWidgetSet::TrackPopupMenu(TPopupMenu& menu, Point screen, Form*) {
    PopupRecord record{menu.Name(), screen, {}, ""};
    for (TMenuItem* item : menu.Items())
        if (item->Visible()) record.itemNames.push_back(item->Name());
    TMenuItem* chosen = nullptr;
    if (!popupChoices_.empty()) {
        TMenuItem* item = menu.Find(popupChoices_.front());
        popupChoices_.pop_front();
        if (item && item->Visible() && item->Enabled() && !item->IsSeparator()) chosen = item;
    }
    if (chosen) record.chosen = chosen->Name();
    popups_.push_back(std::move(record));
    return chosen;
}

bool HeadlessWidgetSet::OpenUrl(const std::string& url) {
    urls_.push_back(url);
    if (mode_ == Mode::Console) std::fprintf(stderr, "open: %s\n", url.c_str());
    return openUrlResult_;
}

std::unique_ptr<RemoteWindow> HeadlessWidgetSet::FindWindowByClass(const std::string& className) {
    return FindInstance(runtimeDir_, className);
}

Size HeadlessWidgetSet::TextExtent(const std::string& text, const Font& font) {
    return RecordingCanvas::MeasureText(text, font);
}

// ---- the simulated user

void HeadlessWidgetSet::LeaveWindowed() {
    Control* old = hoverWindowed_;
    hoverWindowed_ = nullptr;
    if (auto* cc = dynamic_cast<CustomControl*>(old)) cc->PeerMouseLeave();
}

void HeadlessWidgetSet::MouseMove(Form& form, Point client) {
    Point screen = form.ClientToScreen(client);
    cursor_ = screen;
    if (dragForm_) {
        // The system moves a window dragged by its caption with the pointer.
        dragForm_->SetScreenPosition(
            {dragFormStart_.x + screen.x - dragStart_.x, dragFormStart_.y + screen.y - dragStart_.y});
        return;
    }
    if (pointerForm_ && pointerForm_ != &form) {
        LeaveWindowed();
        pointerForm_->SurfaceMouseLeave();
    }
    pointerForm_ = &form;
    Control* under = form.ControlAt(client);
    currentCursor_ = under ? under->GetCursor() : Cursor::Default;
    if (pressedWindowed_) {
        // A windowed control holds the capture while a button is down on it.
        if (auto* cc = dynamic_cast<CustomControl*>(pressedWindowed_)) cc->PeerMouseMove(Local(*cc, client), {});
        return;
    }
    auto* windowed = dynamic_cast<WinControl*>(under);
    if (windowed && windowed->DrawnOnFormSurface()) windowed = nullptr;
    if (hoverWindowed_ && hoverWindowed_ != windowed) LeaveWindowed();
    if (windowed) {
        form.SurfaceMouseLeave();
        hoverWindowed_ = windowed;
        windowedForm_ = &form;
        if (auto* cc = dynamic_cast<CustomControl*>(windowed)) cc->PeerMouseMove(Local(*cc, client), {});
        return;
    }
    form.SurfaceMouseMove(client, {});
}

void HeadlessWidgetSet::MouseDown(Form& form, Point client, MouseButton button) {
    Point screen = form.ClientToScreen(client);
    if (cursor_ != screen || pointerForm_ != &form) MouseMove(form, client);
    auto* peer = dynamic_cast<HeadlessFormPeer*>(form.Peer());
    if (!peer || !peer->Showing() || !peer->Enabled()) return;  // disabled windows take no input
    if (active_ != &form || otherAppActive_) {
        otherAppActive_ = false;
        FormShown(form, true);
    }
    nonClientPress_ = false;
    Control* under = form.ControlAt(client);
    auto* windowed = dynamic_cast<WinControl*>(under);
    if (windowed && windowed->DrawnOnFormSurface()) windowed = nullptr;
    // A native child answers its own hit test; the form's hook sees only its own surface.
    int hit = windowed ? HtClient : form.HandleNcHitTest(screen);
    if (hit != HtClient) {
        nonClientPress_ = true;
        if (hit == HtCaption && button == MouseButton::Left) {
            dragForm_ = &form;
            dragStart_ = screen;
            dragFormStart_ = {form.Left(), form.Top()};
        }
        return;
    }
    if (WinControl* w = windowed) {
        if (!w->Enabled()) return;
        pressedWindowed_ = w;
        windowedForm_ = &form;
        if (auto* cc = dynamic_cast<CustomControl*>(w)) {
            cc->PeerMouseDown(Local(*cc, client), button, {});
        } else if (w->TabStop()) {
            w->SetFocus();
        }
        return;
    }
    form.SurfaceMouseDown(client, button, {});
}

void HeadlessWidgetSet::MouseUp(Form& form, Point client, MouseButton button) {
    Point screen = form.ClientToScreen(client);
    if (cursor_ != screen) MouseMove(form, client);
    if (nonClientPress_) {
        nonClientPress_ = false;
        dragForm_ = nullptr;
        // The system's answer to a right click on a caption is a context-menu request.
        if (button == MouseButton::Right) form.HandleContextMenu(screen);
        return;
    }
    if (pressedWindowed_) {
        Control* w = pressedWindowed_;
        pressedWindowed_ = nullptr;
        Point local = Local(*w, client);
        if (auto* cc = dynamic_cast<CustomControl*>(w)) {
            cc->PeerMouseUp(local, button, {});
            if (!cc->ClientRect().Contains(local)) {
                if (hoverWindowed_ == cc) hoverWindowed_ = nullptr;
                cc->PeerMouseLeave();
            }
            return;
        }
        if (button != MouseButton::Left || !w->ClientRect().Contains(local) || !w->Enabled()) return;
        if (auto* list = dynamic_cast<TListView*>(w)) {
            int row = (local.y - kListHeaderHeight) / kListRowHeight;
            list->PeerSelected(local.y >= kListHeaderHeight ? row : -1);
            return;
        }
        if (dynamic_cast<TButton*>(w) || dynamic_cast<TCheckBox*>(w)) static_cast<WinControl*>(w)->PeerClicked();
        return;
    }
    form.SurfaceMouseUp(client, button, {});
    if (button == MouseButton::Right) form.HandleContextMenu(screen);
}

void HeadlessWidgetSet::Click(Form& form, Point client, MouseButton button) {
    MouseDown(form, client, button);
    MouseUp(form, client, button);
}

void HeadlessWidgetSet::MoveToScreen(Form& form, Point screen) { MouseMove(form, form.ScreenToClient(screen)); }

void HeadlessWidgetSet::Drag(Form& form, Point from, Point to) {
    Point screenFrom = form.ClientToScreen(from);
    Point screenTo = form.ClientToScreen(to);
    MouseDown(form, from);
    constexpr int kSteps = 4;
    for (int i = 1; i <= kSteps; ++i)
        MoveToScreen(form, {screenFrom.x + (screenTo.x - screenFrom.x) * i / kSteps,
                            screenFrom.y + (screenTo.y - screenFrom.y) * i / kSteps});
    MouseUp(form, form.ScreenToClient(screenTo));
}

void HeadlessWidgetSet::MouseAway() {
    cursor_ = {-10000, -10000};
    LeaveWindowed();
    if (pointerForm_) pointerForm_->SurfaceMouseLeave();
    pointerForm_ = nullptr;
    currentCursor_ = Cursor::Default;
}

// The keys reveal the cues before they act, as the dialog manager does.
void HeadlessWidgetSet::PressKey(Form& form, Key key) {
    if (key == Key::Tab || key == Key::ShiftTab) PressCueKey(form, CueKey::Navigation);
    form.HandleKey(key);
}

void HeadlessWidgetSet::TypeChar(Form& form, char ch, bool alt) {
    if (alt) PressCueKey(form, CueKey::Alt);
    form.HandleChar(ch);
}

void HeadlessWidgetSet::PressCueKey(Form& form, CueKey key) {
    if (unsigned reveal = form.Cues().FlagsRevealedBy(key)) ChangeKeyboardCues(form, UisClear, reveal);
}

std::unique_ptr<RecordingCanvas> HeadlessWidgetSet::PaintForm(Form& form) {
    auto canvas = std::make_unique<RecordingCanvas>(Size{form.ClientWidth(), form.ClientHeight()});
    canvas->SetCues(form.Cues());
    Application::Instance().Guard([&] {
        form.PaintSurface(*canvas);
        for (Component* c : form.Components()) {
            auto* cc = dynamic_cast<CustomControl*>(c);
            if (!cc || !cc->IsShowing()) continue;
            Rect r = cc->BoundsInForm();
            Canvas::Scope scope(*canvas, {r.left, r.top}, r);
            cc->Paint(*canvas);
        }
    });
    return canvas;
}

}  // namespace kelvara::ui::headless
