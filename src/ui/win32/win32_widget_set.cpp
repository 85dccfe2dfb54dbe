#include "ui/win32/win32_widget_set.h"

#include <algorithm>
#include <vector>

#include "ui/application.h"
#include "ui/win32/ui_state.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/list_view.h"
#include "ui/memo.h"
#include "ui/menu.h"
#include "ui/progress_bar.h"
#include "ui/timer.h"
#include "ui/win32/control_peers.h"
#include "ui/win32/form_window.h"
#include "ui/win32/gdi_canvas.h"

namespace kelvara::ui::win32 {

// ---- timers: one hidden window receives every WM_TIMER

class Win32TimerPeer : public TimerPeer {
public:
    Win32TimerPeer(Win32WidgetSet& set, TTimer& timer) : set_(set), timer_(timer) {}
    ~Win32TimerPeer() override { Stop(); }
    void Start(unsigned intervalMs) override {
        Stop();
        id_ = set_.AddTimer(this);
        SetTimer(set_.TimerWindow(), id_, intervalMs, nullptr);
    }
    void Stop() override {
        if (!id_) return;
        KillTimer(set_.TimerWindow(), id_);
        set_.RemoveTimer(id_);
        id_ = 0;
    }
    void Fire() { timer_.Fire(); }

private:
    Win32WidgetSet& set_;
    TTimer& timer_;
    UINT_PTR id_ = 0;
};

namespace {

Win32FormPeer& PeerOf(FormPeer& form) { return static_cast<Win32FormPeer&>(form); }

HWND HwndOf(Form* form) {
    if (!form || !form->Peer()) return nullptr;
    return static_cast<Win32FormPeer*>(form->Peer())->Hwnd();
}

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        auto* set = reinterpret_cast<Win32WidgetSet*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (set) set->FireTimer(wParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// ---- threads: CreateThread, so that TerminateThread can end one

class Win32ThreadPeer : public ThreadPeer {
public:
    explicit Win32ThreadPeer(std::function<void()> body) {
        auto* owned = new std::function<void()>(std::move(body));
        DWORD id = 0;
        handle_ = CreateThread(nullptr, 0, Trampoline, owned, 0, &id);
        if (!handle_) {
            delete owned;
            throw std::runtime_error("CreateThread failed with error " + std::to_string(GetLastError()));
        }
    }
    ~Win32ThreadPeer() override { CloseHandle(handle_); }
    bool ForceEnd(unsigned exitCode) override { return TerminateThread(handle_, exitCode) != FALSE; }

private:
    static DWORD WINAPI Trampoline(LPVOID param) {
        std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(param));
        (*body)();
        return 0;
    }
    HANDLE handle_ = nullptr;
};

// ---- another process's window

class HwndWindow : public RemoteWindow {
public:
    explicit HwndWindow(HWND hwnd) : hwnd_(hwnd) {}
    bool Post(unsigned msg, std::uintptr_t w, std::intptr_t l) override {
        return PostMessageA(hwnd_, msg, w, l) != FALSE;
    }
    bool SetForeground() override { return SetForegroundWindow(hwnd_) != FALSE; }

private:
    HWND hwnd_;
};

bool IsEditableMultiline(HWND hwnd) {
    char cls[16] = {};
    if (!hwnd || !GetClassNameA(hwnd, cls, sizeof cls) || lstrcmpiA(cls, "EDIT") != 0) return false;
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    return (style & ES_MULTILINE) && !(style & ES_READONLY);
}

UINT BoxFlags(const MessageBoxRequest& r) {
    UINT flags = 0;
    switch (r.buttons) {
        case MsgButtons::Ok: flags |= MB_OK; break;
        case MsgButtons::OkCancel: flags |= MB_OKCANCEL; break;
        case MsgButtons::YesNo: flags |= MB_YESNO; break;
        case MsgButtons::YesNoCancel: flags |= MB_YESNOCANCEL; break;
    }
    switch (r.icon) {
        case MsgIcon::Stop: flags |= MB_ICONSTOP; break;
        case MsgIcon::Question: flags |= MB_ICONQUESTION; break;
        case MsgIcon::Warning: flags |= MB_ICONWARNING; break;
        case MsgIcon::Information: flags |= MB_ICONINFORMATION; break;
        case MsgIcon::None: break;
    }
    if (r.defaultButton == 1) flags |= MB_DEFBUTTON2;
    if (r.defaultButton == 2) flags |= MB_DEFBUTTON3;
    return flags;
}

// A menu handle for the length of one popup.
class MenuHandle {
public:
    MenuHandle() : menu_(CreatePopupMenu()) {}
    ~MenuHandle() { DestroyMenu(menu_); }
    MenuHandle(const MenuHandle&) = delete;
    MenuHandle& operator=(const MenuHandle&) = delete;
    HMENU get() const { return menu_; }

private:
    HMENU menu_;
};

}  // namespace

Win32WidgetSet::Win32WidgetSet() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterControlClass();
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = TimerWindowProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = kTimerWindowClass;
    RegisterClassExA(&cls);
    timerWindow_ = CreateWindowExA(0, kTimerWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(timerWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32WidgetSet::~Win32WidgetSet() {
    if (timerWindow_) DestroyWindow(timerWindow_);
}

void Win32WidgetSet::RegisterFormClass(const std::string& className, const std::string& iconResource) {
    if (registeredClasses_.count(className)) return;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto iconOfSize = [&](int metric) -> HICON {
        if (iconResource.empty()) return nullptr;
        int side = GetSystemMetrics(metric);
        return static_cast<HICON>(LoadImageA(instance, iconResource.c_str(), IMAGE_ICON, side, side, LR_SHARED));
    };
    HICON icon = iconOfSize(SM_CXICON);
    HICON smallIcon = iconOfSize(SM_CXSMICON);
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = Win32FormPeer::WindowProc;
    cls.hInstance = instance;
    cls.hIcon = icon ? icon : LoadIconA(nullptr, IDI_APPLICATION);
    cls.hIconSm = smallIcon;
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    cls.lpszClassName = className.c_str();
    if (RegisterClassExA(&cls) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) registeredClasses_.insert(className);
}

Win32FormPeer* Win32WidgetSet::FormPeerOf(HWND hwnd) const {
    auto it = forms_.find(hwnd);
    return it == forms_.end() ? nullptr : it->second;
}

// ---- peers

std::unique_ptr<FormPeer> Win32WidgetSet::CreateFormPeer(Form& form) {
    auto peer = std::make_unique<Win32FormPeer>(*this, form);
    if (!peer->Hwnd())
        throw std::runtime_error("the window of form '" + form.Name() + "' could not be made (error " +
                                 std::to_string(GetLastError()) + ")");
    return peer;
}

std::unique_ptr<ControlPeer> Win32WidgetSet::CreateButtonPeer(TButton& c, FormPeer& form) {
    return std::make_unique<ButtonPeer>(PeerOf(form), c, WS_TABSTOP | BS_PUSHBUTTON);
}

std::unique_ptr<ControlPeer> Win32WidgetSet::CreateCheckBoxPeer(TCheckBox& c, FormPeer& form) {
    // Not an automatic check box: the framework toggles the state itself on the click.
    return std::make_unique<ButtonPeer>(PeerOf(form), c, WS_TABSTOP | BS_CHECKBOX);
}

std::unique_ptr<ControlPeer> Win32WidgetSet::CreateGroupBoxPeer(TGroupBox& c, FormPeer& form) {
    return std::make_unique<SurfacePeer>(PeerOf(form), c);
}

std::unique_ptr<ControlPeer> Win32WidgetSet::CreateSurfacePeer(WinControl& c, FormPeer& form) {
    return std::make_unique<SurfacePeer>(PeerOf(form), c);
}

std::unique_ptr<ControlPeer> Win32WidgetSet::CreatePanelPeer(TPanel& c, FormPeer& form) {
    return std::make_unique<SurfacePeer>(PeerOf(form), c);
}

std::unique_ptr<ControlPeer> Win32WidgetSet::CreateMemoPeer(TMemo& c, FormPeer& form) {
    DWORD style = ES_MULTILINE | ES_AUTOVSCROLL;
    if (c.ReadOnly()) style |= ES_READONLY;
    if (c.Border()) style |= WS_BORDER;
    auto peer = std::make_unique<MemoPeer>(PeerOf(form), c, style);
    peer->SetText(c.Text());
    return peer;
}

std::unique_ptr<ControlPeer> Win32WidgetSet::CreateProgressBarPeer(TProgressBar& c, FormPeer& form) {
    return std::make_unique<ProgressBarPeer>(PeerOf(form), c);
}

std::unique_ptr<ControlPeer> Win32WidgetSet::CreateListViewPeer(TListView& c, FormPeer& form) {
    return std::make_unique<ListViewPeer>(PeerOf(form), c);
}

std::unique_ptr<ControlPeer> Win32WidgetSet::CreateCustomControlPeer(CustomControl& c, FormPeer& form) {
    return std::make_unique<CustomPeer>(PeerOf(form), c);
}

std::unique_ptr<TimerPeer> Win32WidgetSet::CreateTimerPeer(TTimer& timer) {
    return std::make_unique<Win32TimerPeer>(*this, timer);
}

UINT_PTR Win32WidgetSet::AddTimer(Win32TimerPeer* peer) {
    UINT_PTR id = nextTimerId_++;
    timers_[id] = peer;
    return id;
}

void Win32WidgetSet::RemoveTimer(UINT_PTR id) { timers_.erase(id); }

void Win32WidgetSet::FireTimer(UINT_PTR id) {
    auto it = timers_.find(id);
    if (it != timers_.end()) it->second->Fire();
}

std::unique_ptr<ThreadPeer> Win32WidgetSet::StartThread(std::function<void()> body) {
    return std::make_unique<Win32ThreadPeer>(std::move(body));
}

// ---- loops

namespace {

bool IsSelfDrawn(const Win32FormPeer& form, HWND hwnd) {
    return dynamic_cast<CustomPeer*>(form.ChildOf(hwnd)) != nullptr;
}

}  // namespace

bool Win32WidgetSet::PreTranslate(MSG& msg) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    Win32FormPeer* peer = FormPeerOf(root);
    if (!peer) return false;
    Form& form = peer->GetForm();
    RevealKeyboardCues(root, msg);
    if (msg.message == WM_KEYDOWN) {
        Key key;
        switch (msg.wParam) {
            case VK_TAB: key = GetKeyState(VK_SHIFT) < 0 ? Key::ShiftTab : Key::Tab; break;
            case VK_RETURN:
                if (IsEditableMultiline(GetFocus())) return false;  // a new line in the text
                key = Key::Enter;
                break;
            case VK_ESCAPE: key = Key::Escape; break;
            case VK_SPACE:
                // Native buttons and boxes answer Space themselves; our drawn ones through the
                // form. A held key's repeats do not click again.
                if (!IsSelfDrawn(*peer, GetFocus()) || (msg.lParam & (1L << 30)) != 0) return false;
                key = Key::Space;
                break;
            default: return false;
        }
        peer->SyncFocus();
        form.HandleKey(key);
        return true;
    }
    if (msg.message == WM_SYSCHAR) return form.HandleChar(static_cast<char>(msg.wParam));
    // A plain letter is an access key too where no text field takes it: on the form itself
    // or on one of our drawn controls.
    if (msg.message == WM_CHAR && (msg.hwnd == root || IsSelfDrawn(*peer, msg.hwnd)))
        return form.HandleChar(static_cast<char>(msg.wParam));
    return false;
}

void Win32WidgetSet::RunLoop(const std::function<bool()>& done) {
    MSG msg;
    while (!done()) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside this one
            return;
        }
        if (got < 0) return;
        if (PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Win32WidgetSet::RunMainLoop() {
    quit_ = false;
    MSG msg;
    while (!quit_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Win32WidgetSet::Quit() {
    quit_ = true;
    PostQuitMessage(0);
}

void Win32WidgetSet::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// ---- dialogs, cursor, shell

int Win32WidgetSet::ShowMessageBox(const MessageBoxRequest& request, Form* owner) {
    Application* app = Application::Current();
    HWND hwnd = HwndOf(owner ? owner : (app ? app->MainForm() : nullptr));
    if (hwnd && !IsWindowVisible(hwnd)) hwnd = nullptr;
    return MessageBoxA(hwnd, request.text.c_str(), request.caption.c_str(), BoxFlags(request) | (hwnd ? 0 : MB_TASKMODAL));
}

TMenuItem* Win32WidgetSet::TrackPopupMenu(TPopupMenu& menu, Point screen, Form* owner) {
    Application* app = Application::Current();
    HWND hwnd = HwndOf(owner ? owner : (app ? app->MainForm() : nullptr));
    if (!hwnd) return nullptr;
    MenuHandle popup;
    std::vector<TMenuItem*> byCommand;
    for (TMenuItem* item : menu.Items()) {
        if (!item->Visible()) continue;
        if (item->IsSeparator()) {
            AppendMenuA(popup.get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        byCommand.push_back(item);
        UINT flags = MF_STRING | (item->Checked() ? MF_CHECKED : 0) | (item->Enabled() ? 0 : MF_GRAYED);
        AppendMenuA(popup.get(), flags, byCommand.size(), item->Caption().c_str());
    }
    // The owner must be in front, or the menu does not close when the user clicks elsewhere.
    SetForegroundWindow(hwnd);
    UINT chosen = ::TrackPopupMenu(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                   screen.x, screen.y, 0, hwnd, nullptr);
    PostMessageA(hwnd, WM_NULL, 0, 0);
    if (chosen == 0 || chosen > byCommand.size()) return nullptr;
    return byCommand[chosen - 1];
}

Point Win32WidgetSet::CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
}

Rect Win32WidgetSet::WorkArea() {
    RECT r{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) return WidgetSet::WorkArea();
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Form* Win32WidgetSet::ActiveForm() {
    Win32FormPeer* peer = FormPeerOf(GetActiveWindow());
    return peer ? &peer->GetForm() : nullptr;
}

bool Win32WidgetSet::OpenUrl(const std::string& url) {
    // Owned by the window the user is working in, so whatever the shell shows comes up over it.
    auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(GetActiveWindow(), "Open", url.c_str(), nullptr, nullptr, SW_SHOW));
    return result > 32;  // ShellExecute's success values are above 32
}

Color Win32WidgetSet::ResolveSystemColor(int index) { return static_cast<Color>(GetSysColor(index)); }

void Win32WidgetSet::MinimizeApp(Form* mainForm) {
    if (HWND h = HwndOf(mainForm)) ShowWindow(h, SW_MINIMIZE);
}

void Win32WidgetSet::RestoreApp(Form* mainForm) {
    if (HWND h = HwndOf(mainForm)) ShowWindow(h, SW_RESTORE);
}

bool Win32WidgetSet::IsAppMinimized(Form* mainForm) {
    HWND h = HwndOf(mainForm);
    return h && IsIconic(h);
}

void Win32WidgetSet::BringAppToFront(Form* mainForm) {
    HWND h = HwndOf(mainForm);
    HWND popup = h ? GetLastActivePopup(h) : nullptr;  // a dialog of ours in front of it, if any
    if (popup) SetForegroundWindow(popup);
}

std::unique_ptr<RemoteWindow> Win32WidgetSet::FindWindowByClass(const std::string& className) {
    HWND h = FindWindowA(className.c_str(), nullptr);
    if (!h) return nullptr;
    return std::make_unique<HwndWindow>(h);
}

// The room a caption needs: what the font measures, or what it paints where that is wider.
Size Win32WidgetSet::TextExtent(const std::string& text, const Font& font) {
    HDC screen = GetDC(nullptr);
    Size size;
    {
        GdiCanvas canvas(screen, {0, 0, 0, 0});
        size = canvas.TextExtent(text, font);
    }
    size.width = std::max(size.width, PaintedTextRight(screen, text, font, size));
    ReleaseDC(nullptr, screen);
    return size;
}

std::vector<std::uint8_t> Win32WidgetSet::LoadResourceBytes(const std::string& name) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name.c_str(), RT_RCDATA);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    DWORD size = SizeofResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

HWND WindowOf(const Form& form) {
    return form.Peer() ? static_cast<Win32FormPeer*>(form.Peer())->Hwnd() : nullptr;
}

HWND WindowOf(const WinControl& control) {
    auto* peer = dynamic_cast<Win32ChildPeer*>(control.Peer());
    return peer ? peer->Hwnd() : nullptr;
}

}  // namespace kelvara::ui::win32
