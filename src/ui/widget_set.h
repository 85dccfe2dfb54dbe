#pragma once
// The backend interface: what the framework asks of a widget set. Two implement it: Win32
// (user32/comctl32/GDI) and headless (state only, for tests and the Linux program). Feature
// code never sees this; it uses Form, the controls and Application.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/color.h"
#include "ui/dialogs.h"
#include "ui/font.h"
#include "ui/geometry.h"
#include "ui/messages.h"

namespace kelvara::ui {

class Form;
class Control;
class WinControl;
class CustomControl;
class TButton;
class TCheckBox;
class TGroupBox;
class TPanel;
class TMemo;
class TProgressBar;
class TListView;
struct ListColumn;
class TTimer;
class TPopupMenu;
class TMenuItem;

// The native side of a windowed control. The control calls these after its state changed.
class ControlPeer {
public:
    virtual ~ControlPeer() = default;
    virtual void SetBounds(Rect inForm) = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual void FontChanged() {}
    virtual void ColorChanged() {}
    virtual void HintChanged() {}
    virtual void Invalidate() = 0;
    virtual bool SetFocus() = 0;
    virtual bool Focused() const = 0;
    // Kind-specific updates; a peer ignores those that are not its kind's.
    virtual void SetChecked(bool checked) {}
    virtual void SetDefault(bool isDefault) {}
    virtual void SetRange(int min, int max) {}
    virtual void SetPosition(int position) {}
    virtual void ColumnsChanged() {}
    virtual void ItemAdded(int row) {}
    virtual void ItemTextChanged(int row, int column) {}
    virtual void ItemsCleared() {}
    virtual void SetGridLines(bool on) {}
    virtual void SetSelected(int row) {}
};

// The native side of a form.
class FormPeer {
public:
    virtual ~FormPeer() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetClientSize(Size size) = 0;
    virtual void SetScreenPosition(Point topLeft) = 0;
    // Offset of the client area inside the window.
    virtual Point ClientOffset() const = 0;
    virtual void Show(bool activate) = 0;
    virtual void Hide() = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual void Minimize() = 0;
    virtual void Restore() = 0;
    virtual bool IsActive() const = 0;
    virtual void BringToFront() = 0;
    virtual void Invalidate(Rect client) = 0;
    virtual void FontChanged() {}
    virtual void ColorChanged() {}
    virtual void HintChanged(Control& control) {}
    virtual void SetCapture(bool on) = 0;
    // The window's own hit test before the form's hook (DefWindowProc's answer).
    virtual int DefaultHitTest(Point screen) = 0;
    // Posting from any thread; the peer delivers to Form::DispatchMessage on the UI thread, in
    // order. FormHandle calls this with the form's link locked, so the form exists meanwhile.
    virtual void PostToQueue(Message message) = 0;
    // Outer size of the window (client area plus frame and caption).
    virtual Size WindowSize() const = 0;
    // Runs a modal loop until `done` answers true (checked after each message).
    virtual void RunModalLoop(const std::function<bool()>& done) = 0;
};

class TimerPeer {
public:
    virtual ~TimerPeer() = default;
    virtual void Start(unsigned intervalMs) = 0;
    virtual void Stop() = 0;
};

class ThreadPeer {
public:
    virtual ~ThreadPeer() = default;
    // Ends the thread at once; false when the platform has no such thing.
    virtual bool ForceEnd(unsigned exitCode) = 0;
};

// A top-level window of another process (or this one), found by its class name.
class RemoteWindow {
public:
    virtual ~RemoteWindow() = default;
    virtual bool Post(unsigned msg, std::uintptr_t w, std::intptr_t l) = 0;
    virtual bool SetForeground() = 0;
};

class WidgetSet {
public:
    virtual ~WidgetSet() = default;

    virtual std::unique_ptr<FormPeer> CreateFormPeer(Form& form) = 0;
    virtual std::unique_ptr<ControlPeer> CreateButtonPeer(TButton& c, FormPeer& form) = 0;
    virtual std::unique_ptr<ControlPeer> CreateCheckBoxPeer(TCheckBox& c, FormPeer& form) = 0;
    virtual std::unique_ptr<ControlPeer> CreateGroupBoxPeer(TGroupBox& c, FormPeer& form) = 0;
    virtual std::unique_ptr<ControlPeer> CreatePanelPeer(TPanel& c, FormPeer& form) = 0;
    virtual std::unique_ptr<ControlPeer> CreateMemoPeer(TMemo& c, FormPeer& form) = 0;
    virtual std::unique_ptr<ControlPeer> CreateProgressBarPeer(TProgressBar& c, FormPeer& form) = 0;
    virtual std::unique_ptr<ControlPeer> CreateListViewPeer(TListView& c, FormPeer& form) = 0;
    virtual std::unique_ptr<ControlPeer> CreateCustomControlPeer(CustomControl& c, FormPeer& form) = 0;
    // A container of the program's own that the form draws on its surface (no window).
    virtual std::unique_ptr<ControlPeer> CreateSurfacePeer(WinControl& c, FormPeer& form) = 0;
    virtual std::unique_ptr<TimerPeer> CreateTimerPeer(TTimer& timer) = 0;
    // Runs body on a new thread. The default uses std::thread and has no forced end.
    virtual std::unique_ptr<ThreadPeer> StartThread(std::function<void()> body) { return StartStdThread(std::move(body)); }
    static std::unique_ptr<ThreadPeer> StartStdThread(std::function<void()> body);

    // The main loop: runs until Quit() (the main form closed).
    virtual void RunMainLoop() = 0;
    virtual void Quit() = 0;
    // Handles what is pending now, without waiting.
    virtual void ProcessMessages() = 0;

    virtual int ShowMessageBox(const MessageBoxRequest& request, Form* owner) = 0;
    // Shows the menu at a screen point; returns the chosen item (nothing is run yet) or nullptr.
    virtual TMenuItem* TrackPopupMenu(TPopupMenu& menu, Point screen, Form* owner) = 0;
    virtual Point CursorPos() = 0;
    // The work area forms are centred in.
    virtual Rect WorkArea() { return {0, 0, 1024, 768}; }
    // The active window of this application (nullptr when another application's is active).
    virtual Form* ActiveForm() = 0;
    virtual bool OpenUrl(const std::string& url) = 0;
    virtual Color ResolveSystemColor(int index) { return DefaultSystemColor(index); }

    // Application-wide window state (the task-bar entry).
    virtual void SetTitle(const std::string& title) {}
    virtual void MinimizeApp(Form* mainForm) = 0;
    virtual void RestoreApp(Form* mainForm) = 0;
    virtual bool IsAppMinimized(Form* mainForm) = 0;
    virtual void BringAppToFront(Form* mainForm) = 0;

    // Text measured in a font outside painting (layout: a caption's width). The headless
    // set answers with its fixed metrics; Win32 measures on a screen DC.
    virtual Size TextExtent(const std::string& text, const Font& font) = 0;
    // A resource of the executable (RT_RCDATA by name); empty when there is none (always in
    // the headless set, whose program embeds its data otherwise).
    virtual std::vector<std::uint8_t> LoadResourceBytes(const std::string& name) { return {}; }

    // Single instance: a top-level window of that class name, in any process of this user.
    virtual std::unique_ptr<RemoteWindow> FindWindowByClass(const std::string& className) = 0;

    // Which widget set this is ("win32", "headless"), for messages and tests.
    virtual const char* Name() const = 0;
};

}  // namespace kelvara::ui
