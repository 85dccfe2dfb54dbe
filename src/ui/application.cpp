#include "ui/application.h"

#include <algorithm>
#include <stdexcept>

#include "ui/thread.h"

namespace kelvara::ui {
namespace {

// The one application object of the process (the framework's only global).
Application* current = nullptr;

}  // namespace

Application::Application(std::unique_ptr<WidgetSet> widgets) : widgets_(std::move(widgets)) {
    if (!widgets_) throw std::invalid_argument("Application needs a widget set");
    if (current) throw std::logic_error("a second Application object was created");
    current = this;
}

Application::~Application() {
    // Forms first (newest first), while the widget set they use still exists.
    while (!ownedForms_.empty()) ownedForms_.pop_back();
    // Forms and timers that outlive the application lose their native side now, so they can
    // still be destroyed safely later.
    for (Form* f : std::vector<Form*>(forms_)) f->ApplicationGone();
    for (TTimer* t : std::vector<TTimer*>(timers_)) t->ApplicationGone();
    forms_.clear();
    timers_.clear();
    current = nullptr;
}

void Application::TimerDestroyed(TTimer& t) { timers_.erase(std::remove(timers_.begin(), timers_.end(), &t), timers_.end()); }

Application& Application::Instance() {
    if (!current) throw std::logic_error("no Application object exists");
    return *current;
}

Application* Application::Current() { return current; }

void Application::SetTitle(std::string title) {
    title_ = std::move(title);
    widgets_->SetTitle(title_);
}

void Application::Adopt(std::unique_ptr<Form> form) {
    if (!mainForm_) mainForm_ = form.get();
    ownedForms_.push_back(std::move(form));
}

void Application::Run() {
    if (!mainForm_) throw std::logic_error("Application::Run without a main form");
    terminated_ = false;
    Guard([this] { mainForm_->Show(); });
    if (!terminated_) widgets_->RunMainLoop();
}

void Application::Terminate() {
    terminated_ = true;
    widgets_->Quit();
}

void Application::ProcessMessages() { widgets_->ProcessMessages(); }

void Application::Minimize() { widgets_->MinimizeApp(mainForm_); }
void Application::Restore() { widgets_->RestoreApp(mainForm_); }
void Application::BringToFront() { widgets_->BringAppToFront(mainForm_); }
bool Application::IsMinimized() { return widgets_->IsAppMinimized(mainForm_); }

void Application::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleException(std::runtime_error("Unknown error"));
    }
}

void RunGuarded(Application* app, const std::function<void()>& handler) {
    if (app) {
        app->Guard(handler);
        return;
    }
    handler();
}

void Application::HandleException(const std::exception& e) {
    if (OnException) {
        OnException(e);
        return;
    }
    std::string text = e.what();
    if (text.empty() || text.back() != '.') text += '.';
    MessageBox(text, title_, MsgButtons::Ok, MsgIcon::Stop);
}

int Application::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                            int defaultButton) {
    MessageBoxRequest request{text, caption, buttons, icon, defaultButton};
    return widgets_->ShowMessageBox(request, ActiveForm());
}

Point Application::CursorPos() { return widgets_->CursorPos(); }

Form* Application::ActiveForm() { return widgets_->ActiveForm(); }

Control* Application::ControlAtPos(Point screen) {
    // Newest forms lie over older ones.
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
        Form* f = *it;
        if (!f->Visible() || f->Minimized()) continue;
        Point client = f->ScreenToClient(screen);
        if (client.x < 0 || client.y < 0 || client.x >= f->ClientWidth() || client.y >= f->ClientHeight()) continue;
        return f->ControlAt(client);
    }
    return nullptr;
}

bool Application::OpenUrl(const std::string& url) { return widgets_->OpenUrl(url); }

std::unique_ptr<RemoteWindow> Application::FindWindowByClass(const std::string& className) {
    return widgets_->FindWindowByClass(className);
}

int Application::RunningThreads() const { return RunningThreadCount(); }

void Application::FormCreated(Form& f) { forms_.push_back(&f); }

void Application::FormDestroyed(Form& f) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), &f), forms_.end());
    if (mainForm_ == &f) mainForm_ = nullptr;
}

}  // namespace kelvara::ui
