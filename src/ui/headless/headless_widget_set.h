#pragma once
// The widget set without a display. Forms and controls keep their state as usual; this set
// adds what tests drive and observe: a simulated mouse and keyboard, a virtual clock that
// fires timers deterministically, scripted message-box answers and popup-menu choices, and
// a record of every box, menu and URL. In console mode (the Linux program) message boxes are
// printed on stderr and take their default answer, timers run on the real clock, and a loop
// with nothing left to do closes its form, as a user would.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui/form.h"
#include "ui/form_link.h"
#include "ui/keyboard_cues.h"
#include "ui/widget_set.h"

namespace kelvara::ui::headless {

class RecordingCanvas;
class HeadlessTimer;
class HeadlessFormPeer;

enum class Mode {
    Test,     // virtual clock, scripted answers, idle hook
    Console,  // real clock, boxes on stderr
};

struct MessageBoxRecord {
    MessageBoxRequest request;
    int answer = 0;
};

struct PopupRecord {
    std::string menuName;
    Point screen;
    std::vector<std::string> itemNames;  // items shown, in order (separators included)
    std::string chosen;                  // "" when nothing was chosen
};

class HeadlessWidgetSet : public WidgetSet {
public:
    explicit HeadlessWidgetSet(Mode mode = Mode::Test);
    ~HeadlessWidgetSet() override;

    // ---- simulated user (points in the form's client coordinates)
    void MouseMove(Form& form, Point client);
    void MouseDown(Form& form, Point client, MouseButton button = MouseButton::Left);
    void MouseUp(Form& form, Point client, MouseButton button = MouseButton::Left);
    void Click(Form& form, Point client, MouseButton button = MouseButton::Left);
    // Press at `from`, move to `to`, release. Where the hit test says HtCaption the form moves.
    void Drag(Form& form, Point from, Point to);
    // Moves the pointer away from every form (leave events).
    void MouseAway();
    void PressKey(Form& form, Key key);
    // A typed character; with alt it is an access key (Alt+letter).
    void TypeChar(Form& form, char ch, bool alt = false);
    // A key that reveals the keyboard cues without acting otherwise (Alt alone, an arrow).
    // Tab and Alt+letter reveal them too.
    void PressCueKey(Form& form, CueKey key);
    // The user's "always show keyboard cues" setting, read by each new form (default off, as
    // in a fresh Windows installation).
    bool KeyboardCuesAlwaysShown() const { return cuesAlwaysShown_; }
    void SetKeyboardCuesAlwaysShown(bool on) { cuesAlwaysShown_ = on; }
    // Makes another application's window active (no form of ours is active) or ours again.
    void SetOtherAppActive(bool other);

    // ---- clock and timers
    // Virtual milliseconds since the set was made (Test) or real ones (Console).
    std::int64_t Now() const;
    // Moves the virtual clock on, firing due timers in time order (and handling the messages
    // they post between ticks).
    void AdvanceClock(std::int64_t ms);

    // ---- scripted answers and records
    void ScriptMessageBoxAnswer(int answer);
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
    // The item (by component name) the next popup menu chooses; without a script, nothing.
    void ScriptPopupChoice(std::string itemName);
    const std::vector<PopupRecord>& Popups() const { return popups_; }
    void SetCursorPos(Point screen) { cursor_ = screen; }
    const std::vector<std::string>& OpenedUrls() const { return urls_; }
    void SetOpenUrlResult(bool ok) { openUrlResult_ = ok; }
    // Called when a message loop (main or modal) has nothing to do; `top` is the form whose
    // loop it is. Return true when the hook did something (the loop looks again); false lets
    // the loop's default happen: wait for running threads, else close `top` as a user would.
    void SetIdleHook(std::function<bool(Form& top)> hook) { idleHook_ = std::move(hook); }

    // Paints a form's surface (and its custom controls) into a recording canvas.
    std::unique_ptr<RecordingCanvas> PaintForm(Form& form);
    // Cursor that the control under the pointer asks for.
    Cursor CurrentCursor() const { return currentCursor_; }
    // The form's peer state.
    bool IsShowing(const Form& form) const;
    int PendingMessages() const;
    // Where the single-instance locks and sockets live; default $XDG_RUNTIME_DIR or
    // /tmp/kelvara-<uid>. Tests point it at a temporary folder.
    void SetRuntimeDir(std::string dir) { runtimeDir_ = std::move(dir); }
    const std::string& RuntimeDir() const { return runtimeDir_; }

    // ---- WidgetSet
    std::unique_ptr<FormPeer> CreateFormPeer(Form& form) override;
    std::unique_ptr<ControlPeer> CreateButtonPeer(TButton& c, FormPeer& form) override;
    std::unique_ptr<ControlPeer> CreateCheckBoxPeer(TCheckBox& c, FormPeer& form) override;
    std::unique_ptr<ControlPeer> CreateGroupBoxPeer(TGroupBox& c, FormPeer& form) override;
    std::unique_ptr<ControlPeer> CreateSurfacePeer(WinControl& c, FormPeer& form) override;
    std::unique_ptr<ControlPeer> CreatePanelPeer(TPanel& c, FormPeer& form) override;
    std::unique_ptr<ControlPeer> CreateMemoPeer(TMemo& c, FormPeer& form) override;
    std::unique_ptr<ControlPeer> CreateProgressBarPeer(TProgressBar& c, FormPeer& form) override;
    std::unique_ptr<ControlPeer> CreateListViewPeer(TListView& c, FormPeer& form) override;
    std::unique_ptr<ControlPeer> CreateCustomControlPeer(CustomControl& c, FormPeer& form) override;
    std::unique_ptr<TimerPeer> CreateTimerPeer(TTimer& timer) override;
    void RunMainLoop() override;
    void Quit() override;
    void ProcessMessages() override;
    int ShowMessageBox(const MessageBoxRequest& request, Form* owner) override;
    TMenuItem* TrackPopupMenu(TPopupMenu& menu, Point screen, Form* owner) override;
    Point CursorPos() override { return cursor_; }
    Form* ActiveForm() override;
    bool OpenUrl(const std::string& url) override;
    void MinimizeApp(Form* mainForm) override;
    void RestoreApp(Form* mainForm) override;
    bool IsAppMinimized(Form* mainForm) override;
    void BringAppToFront(Form* mainForm) override;
    std::unique_ptr<RemoteWindow> FindWindowByClass(const std::string& className) override;
    Size TextExtent(const std::string& text, const Font& font) override;
    const char* Name() const override { return "headless"; }

    // ---- for the headless peers
    struct Posted {
        std::shared_ptr<detail::FormLink> link;  // its form pointer is cleared when the form goes
        Message message;
    };
    void Enqueue(Posted p);
    void RunLoop(Form& top, const std::function<bool()>& done);
    void TimerChanged(HeadlessTimer& t, bool running, unsigned interval);
    void TimerGone(HeadlessTimer& t);
    void FormGone(Form& f);
    void FormShown(Form& f, bool activate);
    void FormHidden(Form& f);
    Mode GetMode() const { return mode_; }

private:
    bool DispatchOne();
    bool QueueHoldsMessages();
    bool FireDueTimers(std::int64_t now);
    std::optional<std::int64_t> NextTimerDue() const;
    void CloseIdle(Form& top, int& attempts);
    void FireTimer(std::int64_t due);
    void LeaveWindowed();
    void MoveToScreen(Form& form, Point screen);

    Mode mode_;
    std::chrono::steady_clock::time_point start_;
    std::int64_t virtualNow_ = 0;
    mutable std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<Posted> queue_;
    struct TimerState {
        HeadlessTimer* timer;
        unsigned interval;
        std::int64_t due;
        std::uint64_t order;
    };
    std::vector<TimerState> timers_;
    std::uint64_t timerOrder_ = 0;
    bool quit_ = false;
    bool cuesAlwaysShown_ = false;
    std::deque<int> boxAnswers_;
    std::vector<MessageBoxRecord> boxes_;
    std::deque<std::string> popupChoices_;
    std::vector<PopupRecord> popups_;
    std::vector<std::string> urls_;
    bool openUrlResult_ = true;
    Point cursor_{};
    std::function<bool(Form&)> idleHook_;
    std::vector<Form*> zOrder_;  // shown forms, topmost last
    Form* active_ = nullptr;
    bool otherAppActive_ = false;
    bool appMinimized_ = false;
    Form* pointerForm_ = nullptr;  // the form under the simulated pointer
    Control* hoverWindowed_ = nullptr;
    Control* pressedWindowed_ = nullptr;
    Form* windowedForm_ = nullptr;  // the form of hoverWindowed_ and pressedWindowed_
    bool nonClientPress_ = false;
    Form* dragForm_ = nullptr;
    Point dragStart_{};
    Point dragFormStart_{};
    Cursor currentCursor_ = Cursor::Default;
    std::string runtimeDir_;
};

// The headless set of an application (throws std::logic_error when it has another set).
HeadlessWidgetSet& Of(Application& app);

}  // namespace kelvara::ui::headless
