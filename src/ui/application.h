#pragma once
// The application object: the one global of the framework. It holds the widget set, the
// title, the main form (the first form created through it), the default error handler, and
// the services that go through the widget set so tests can script them (message boxes, popup
// menus, the cursor, the active window, opening a URL, the single-instance lookup).
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui/form.h"
#include "ui/timer.h"
#include "ui/geometry.h"
#include "ui/widget_set.h"

namespace kelvara::ui {

class Application {
public:
    explicit Application(std::unique_ptr<WidgetSet> widgets);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The application of this process; throws std::logic_error when none exists.
    static Application& Instance();
    static Application* Current();

    WidgetSet& Widgets() { return *widgets_; }
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title);

    // Creates a form owned by the application: the constructor, its window, FormCreate. The
    // first one becomes the main form.
    template <class FormClass, class... Args>
    FormClass& CreateForm(Args&&... args) {
        auto form = std::make_unique<FormClass>(std::forward<Args>(args)...);
        FormClass& ref = *form;
        Adopt(std::move(form));
        ref.Realize();
        ref.FormCreate();
        return ref;
    }
    Form* MainForm() const { return mainForm_; }
    void SetMainForm(Form* f) { mainForm_ = f; }

    // Shows the main form and runs the message loop until the main form has closed.
    void Run();
    // Ends the message loop (the main form's close calls this).
    void Terminate();
    bool Terminated() const { return terminated_; }
    void ProcessMessages();

    void Minimize();
    void Restore();
    void BringToFront();
    bool IsMinimized();

    // Runs an event handler; an exception escaping it is shown by HandleException and the
    // handler's command ends there. Every event of the framework is called through this.
    void Guard(const std::function<void()>& handler);
    // The default error handler: a message box with the title as caption, a stop icon, and
    // the error's text followed by a full stop.
    void HandleException(const std::exception& e);
    // Replaces the default error handler (tests, or a program that logs).
    std::function<void(const std::exception&)> OnException;

    int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons = MsgButtons::Ok,
                   MsgIcon icon = MsgIcon::None, int defaultButton = 0);
    Point CursorPos();
    Form* ActiveForm();
    bool HasActiveWindow() { return ActiveForm() != nullptr; }
    // The control under the screen point in any visible form of this application, or nullptr.
    Control* ControlAtPos(Point screen);
    bool OpenUrl(const std::string& url);
    std::unique_ptr<RemoteWindow> FindWindowByClass(const std::string& className);

    // Threads started and not yet finished (the headless loop waits for them before it goes idle).
    int RunningThreads() const;

    // Forms register themselves here while they exist.
    void FormCreated(Form& f);
    void FormDestroyed(Form& f);
    const std::vector<Form*>& Forms() const { return forms_; }
    // Timers with a peer register too: peers go before the widget set they belong to.
    void TimerCreated(TTimer& t) { timers_.push_back(&t); }
    void TimerDestroyed(TTimer& t);

private:
    friend class Thread;
    void Adopt(std::unique_ptr<Form> form);

    std::unique_ptr<WidgetSet> widgets_;
    std::string title_;
    std::vector<std::unique_ptr<Form>> ownedForms_;
    std::vector<Form*> forms_;
    std::vector<TTimer*> timers_;
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
};

// Runs an event handler through `app`'s error guard, or straight when there is no application
// (a form or control used before one exists or after it has gone): the one way the framework
// calls a handler.
void RunGuarded(Application* app, const std::function<void()>& handler);

}  // namespace kelvara::ui
