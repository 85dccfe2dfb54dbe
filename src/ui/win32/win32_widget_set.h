#pragma once
// The widget set on user32, comctl32 (version 6 through the program's manifest) and GDI.
#include <map>
#include <memory>
#include <set>
#include <string>

#include "ui/widget_set.h"
#include "ui/win32/win32_api.h"

namespace kelvara::ui::win32 {

class Win32FormPeer;
class Win32TimerPeer;

class Win32WidgetSet : public WidgetSet {
public:
    Win32WidgetSet();
    ~Win32WidgetSet() override;

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
    std::unique_ptr<ThreadPeer> StartThread(std::function<void()> body) override;

    void RunMainLoop() override;
    void Quit() override;
    void ProcessMessages() override;

    int ShowMessageBox(const MessageBoxRequest& request, Form* owner) override;
    TMenuItem* TrackPopupMenu(TPopupMenu& menu, Point screen, Form* owner) override;
    Point CursorPos() override;
    Rect WorkArea() override;
    Form* ActiveForm() override;
    bool OpenUrl(const std::string& url) override;
    Color ResolveSystemColor(int index) override;
    void SetTitle(const std::string& title) override { title_ = title; }
    const std::string& Title() const { return title_; }
    void MinimizeApp(Form* mainForm) override;
    void RestoreApp(Form* mainForm) override;
    bool IsAppMinimized(Form* mainForm) override;
    void BringAppToFront(Form* mainForm) override;
    std::unique_ptr<RemoteWindow> FindWindowByClass(const std::string& className) override;
    Size TextExtent(const std::string& text, const Font& font) override;
    std::vector<std::uint8_t> LoadResourceBytes(const std::string& name) override;
    const char* Name() const override { return "win32"; }

    // For the peers.
    void RegisterFormClass(const std::string& className, const std::string& iconResource);
    void FormPeerCreated(HWND hwnd, Win32FormPeer* peer) { forms_[hwnd] = peer; }
    void FormPeerGone(HWND hwnd) { forms_.erase(hwnd); }
    Win32FormPeer* FormPeerOf(HWND hwnd) const;
    HWND TimerWindow() const { return timerWindow_; }
    UINT_PTR AddTimer(Win32TimerPeer* peer);
    void RemoveTimer(UINT_PTR id);
    void FireTimer(UINT_PTR id);
    // Runs messages until done() answers true or WM_QUIT arrives (which is posted again for
    // the loop outside).
    void RunLoop(const std::function<bool()>& done);

private:
    bool PreTranslate(MSG& msg);

    std::string title_;
    std::set<std::string> registeredClasses_;
    std::map<HWND, Win32FormPeer*> forms_;
    HWND timerWindow_ = nullptr;
    std::map<UINT_PTR, Win32TimerPeer*> timers_;
    UINT_PTR nextTimerId_ = 1;
    bool quit_ = false;
};

// Paints a form's surface (and its self-drawn controls) into a DC of the client's size: what
// WM_PAINT shows, and what a test reads pixels back from.
void PaintFormTo(Form& form, HDC dc);
// The window of a form or of a windowed control (tests look at the real widgets).
HWND WindowOf(const Form& form);
HWND WindowOf(const WinControl& control);

}  // namespace kelvara::ui::win32
