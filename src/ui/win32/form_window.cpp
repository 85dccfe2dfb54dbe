#include "ui/win32/form_window.h"

#include "ui/application.h"
#include "ui/win32/control_peers.h"
#include "ui/win32/gdi_canvas.h"
#include "ui/win32/ui_state.h"
#include "ui/win32/win32_widget_set.h"
#include "ui/win_control.h"

namespace kelvara::ui::win32 {
namespace {

struct WindowStyle {
    DWORD style;
    DWORD exStyle;
};

WindowStyle StyleOf(BorderStyle border) {
    switch (border) {
        case BorderStyle::None:
            // A popup without frame; the minimise box lets SC_MINIMIZE work from the taskbar.
            return {WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, 0};
        case BorderStyle::Dialog:
            return {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME};
        case BorderStyle::DialogNoButtons:
            return {WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME};
    }
    return {WS_POPUP, 0};
}

Size OuterSize(BorderStyle border, Size client) {
    WindowStyle ws = StyleOf(border);
    RECT r{0, 0, client.width, client.height};
    AdjustWindowRectEx(&r, ws.style, FALSE, ws.exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

LPCSTR CursorResource(Cursor c) {
    switch (c) {
        case Cursor::HandPoint: return IDC_HAND;
        case Cursor::IBeam: return IDC_IBEAM;
        case Cursor::Wait: return IDC_WAIT;
        case Cursor::Default:
        case Cursor::Arrow: break;
    }
    return IDC_ARROW;
}

}  // namespace

ShiftState MouseShiftState(WPARAM keys) {
    ShiftState s;
    s.shift = (keys & MK_SHIFT) != 0;
    s.ctrl = (keys & MK_CONTROL) != 0;
    s.left = (keys & MK_LBUTTON) != 0;
    s.right = (keys & MK_RBUTTON) != 0;
    s.middle = (keys & MK_MBUTTON) != 0;
    // A mouse message's key flags leave out Alt: it is asked of the keyboard.
    s.alt = GetKeyState(VK_MENU) < 0;
    return s;
}

Win32FormPeer::Win32FormPeer(Win32WidgetSet& set, Form& form) : set_(set), form_(form) {
    std::string className = form.WindowClassName().empty() ? kDefaultFormClass : form.WindowClassName();
    set_.RegisterFormClass(className, form.IconResource());
    WindowStyle ws = StyleOf(form.GetBorderStyle());
    Size outer = OuterSize(form.GetBorderStyle(), {form.ClientWidth(), form.ClientHeight()});
    // Dialogs belong to their owner (or the main form): they stay above it and have no
    // taskbar button of their own.
    HWND owner = nullptr;
    Form* ownerForm = form.OwnerForm();
    Application* app = Application::Current();
    if (!ownerForm && app && app->MainForm() != &form) ownerForm = app->MainForm();
    if (ownerForm && ownerForm->Peer()) owner = static_cast<Win32FormPeer*>(ownerForm->Peer())->Hwnd();
    hwnd_ = CreateWindowExA(ws.exStyle, className.c_str(), form.Caption().c_str(), ws.style, form.Left(), form.Top(),
                            outer.width, outer.height, owner, nullptr, GetModuleHandleA(nullptr), this);
    if (!hwnd_) return;
    set_.FormPeerCreated(hwnd_, this);
    form.Cues() = InitialKeyboardCues();
    font_ = MakeFont(form.GetFont());
    SetIcons(form.IconResource());
    if (form.Caption().empty() && app && app->MainForm() == &form) SetWindowTextA(hwnd_, set_.Title().c_str());
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
}

Win32FormPeer::~Win32FormPeer() {
    if (hwnd_) {
        set_.FormPeerGone(hwnd_);
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);  // the tooltip window goes with its owner
    }
    if (font_) DeleteObject(font_);
    if (backgroundBrush_) DeleteObject(backgroundBrush_);
}

void Win32FormPeer::SetIcons(const std::string& resource) {
    if (resource.empty()) return;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const std::pair<int, WPARAM> sizes[] = {{SM_CXICON, ICON_BIG}, {SM_CXSMICON, ICON_SMALL}};
    for (auto [metric, which] : sizes) {
        int side = GetSystemMetrics(metric);
        // Shared icons belong to the system's cache: nothing to destroy later.
        HANDLE icon = LoadImageA(instance, resource.c_str(), IMAGE_ICON, side, side, LR_SHARED);
        if (icon) SendMessageA(hwnd_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

// ---- FormPeer

void Win32FormPeer::SetCaption(const std::string& caption) { SetWindowTextA(hwnd_, caption.c_str()); }

void Win32FormPeer::SetClientSize(Size size) {
    Size outer = OuterSize(form_.GetBorderStyle(), size);
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.width, outer.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32FormPeer::SetScreenPosition(Point topLeft) {
    SetWindowPos(hwnd_, nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Point Win32FormPeer::ClientOffset() const {
    RECT window{};
    GetWindowRect(hwnd_, &window);
    POINT origin{0, 0};
    ClientToScreen(hwnd_, &origin);
    return {origin.x - window.left, origin.y - window.top};
}

Size Win32FormPeer::WindowSize() const {
    RECT window{};
    GetWindowRect(hwnd_, &window);
    return {window.right - window.left, window.bottom - window.top};
}

void Win32FormPeer::Show(bool activate) {
    toolsDirty_ = true;
    // The native children exist by the first showing: they take the form's cues from here on.
    if (!cuesAnnounced_) {
        cuesAnnounced_ = true;
        AnnounceKeyboardCues(hwnd_, form_.Cues());
    }
    ShowWindow(hwnd_, activate ? SW_SHOW : SW_SHOWNA);
    UpdateWindow(hwnd_);
}

void Win32FormPeer::Hide() { ShowWindow(hwnd_, SW_HIDE); }

void Win32FormPeer::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

void Win32FormPeer::Minimize() { ShowWindow(hwnd_, SW_MINIMIZE); }

void Win32FormPeer::Restore() { ShowWindow(hwnd_, SW_RESTORE); }

bool Win32FormPeer::IsActive() const { return GetActiveWindow() == hwnd_; }

void Win32FormPeer::BringToFront() { SetForegroundWindow(hwnd_); }

void Win32FormPeer::Invalidate(Rect client) {
    RECT r{client.left, client.top, client.Right(), client.Bottom()};
    InvalidateRect(hwnd_, &r, FALSE);
    toolsDirty_ = true;  // a windowless control may have moved under its tooltip
}

void Win32FormPeer::FontChanged() {
    if (font_) DeleteObject(font_);
    font_ = MakeFont(form_.GetFont());
}

void Win32FormPeer::HintChanged(Control&) { toolsDirty_ = true; }

void Win32FormPeer::SetCapture(bool on) {
    if (on) ::SetCapture(hwnd_);
    else if (GetCapture() == hwnd_) ReleaseCapture();
}

int Win32FormPeer::DefaultHitTest(Point screen) {
    return static_cast<int>(DefWindowProcA(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(static_cast<short>(screen.x), static_cast<short>(screen.y))));
}

void Win32FormPeer::PostToQueue(Message message) {
    if (message.text.empty()) {
        PostMessageA(hwnd_, message.msg, message.wParam, message.lParam);
        return;
    }
    WPARAM id;
    {
        std::lock_guard lock(textsMutex_);
        id = nextTextId_++;
        texts_[id] = std::move(message);
    }
    if (!PostMessageA(hwnd_, kTextMessage, id, 0)) {
        std::lock_guard lock(textsMutex_);
        texts_.erase(id);
    }
}

void Win32FormPeer::RunModalLoop(const std::function<bool()>& done) { set_.RunLoop(done); }

// ---- children and tooltips

int Win32FormPeer::AddChild(HWND child, Win32ChildPeer* peer) {
    children_[child] = peer;
    return nextChildId_++;
}

void Win32FormPeer::RemoveChild(HWND child) { children_.erase(child); }

Win32ChildPeer* Win32FormPeer::ChildOf(HWND child) const {
    auto it = children_.find(child);
    return it == children_.end() ? nullptr : it->second;
}

void Win32FormPeer::SyncFocus() {
    HWND focus = GetFocus();
    if (Win32ChildPeer* child = ChildOf(focus)) form_.ControlFocused(&child->Control());
}

void Win32FormPeer::RebuildTools() {
    toolsDirty_ = false;
    if (!tooltip_) return;
    int count = static_cast<int>(SendMessageA(tooltip_, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = count - 1; i >= 0; --i) {
        TOOLINFOA info{};
        info.cbSize = sizeof info;
        if (SendMessageA(tooltip_, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&info)))
            SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
    UINT_PTR id = 1;
    for (Component* c : form_.Components()) {
        auto* control = dynamic_cast<Control*>(c);
        if (!control || !control->ShowHint() || control->Hint().empty() || !control->IsShowing()) continue;
        TOOLINFOA info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_SUBCLASS;
        info.hwnd = hwnd_;
        info.lpszText = const_cast<char*>(control->Hint().c_str());
        auto* windowed = dynamic_cast<WinControl*>(control);
        auto* child = windowed ? dynamic_cast<Win32ChildPeer*>(windowed->Peer()) : nullptr;
        if (child) {
            info.uFlags |= TTF_IDISHWND;
            info.uId = reinterpret_cast<UINT_PTR>(child->Hwnd());
        } else {
            Rect r = control->BoundsInForm();
            info.uId = id++;
            info.rect = {r.left, r.top, r.Right(), r.Bottom()};
        }
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
}

// ---- the window procedure

LRESULT CALLBACK Win32FormPeer::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* peer = static_cast<Win32FormPeer*>(create->lpCreateParams);
        peer->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
    }
    auto* peer = reinterpret_cast<Win32FormPeer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!peer) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return peer->Handle(msg, wParam, lParam);
}

LRESULT Win32FormPeer::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;  // WM_PAINT covers the whole client area
        case WM_NCHITTEST: return OnNcHitTest(lParam);
        case WM_MOUSEMOVE: OnMouseMove(lParam, wParam); return 0;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            form_.SurfaceMouseLeave();
            return 0;
        case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
            OnMouseButton(msg, lParam, wParam);
            if (msg == WM_RBUTTONUP) break;  // DefWindowProc turns it into WM_CONTEXTMENU
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != hwnd_) form_.SurfaceCaptureLost();
            return 0;
        case WM_SETCURSOR:
            if (OnSetCursor(wParam, lParam)) return TRUE;
            break;
        case WM_CONTEXTMENU:
            if (OnContextMenu(lParam)) return 0;
            break;
        // Where the form answers "caption" over its client area (a frameless window dragged by
        // its background), a right click there is still a click on the form: its context menu,
        // not the system's caption handling, which under Wine shows nothing at all.
        case WM_NCRBUTTONDOWN:
            if (wParam == HTCAPTION && IsOverClientArea(lParam)) return 0;
            break;
        case WM_NCRBUTTONUP:
            if (wParam == HTCAPTION && IsOverClientArea(lParam) && OnContextMenu(lParam)) return 0;
            break;
        case WM_COMMAND: OnCommand(wParam, lParam); return 0;
        case WM_NOTIFY: OnNotify(lParam); return 0;
        case WM_CTLCOLORSTATIC: case WM_CTLCOLORBTN:
            return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_ACTIVATE: OnActivate(wParam); return 0;
        case WM_MOVE: OnMove(); return 0;
        case WM_SIZE: OnSize(wParam); return 0;
        case WM_CLOSE: form_.DispatchMessage(Message{WmClose, 0, 0, {}}); return 0;
        case WM_SYSCOMMAND:
            if (form_.HasMessageHandler(WmSysCommand)) {
                form_.DispatchMessage(Message{WmSysCommand, wParam, lParam, {}});
                return 0;
            }
            break;
        case kTextMessage: OnTextMessage(wParam); return 0;
        case WM_CHANGEUISTATE: ChangeUiState(hwnd_, form_.Cues(), wParam); return 0;
        // The drawn controls follow; DefWindowProc passes the change on to the native children.
        case WM_UPDATEUISTATE: ChangeKeyboardCues(form_, LOWORD(wParam), HIWORD(wParam)); break;
        case WM_QUERYUISTATE: return form_.Cues().Flags();
        default:
            if (msg >= WM_USER && msg < WM_APP) {
                form_.DispatchMessage(Message{msg, wParam, lParam, {}});
                return 0;
            }
            break;
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

void Win32FormPeer::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    PaintFormTo(form_, dc);
    EndPaint(hwnd_, &ps);
}

LRESULT Win32FormPeer::OnNcHitTest(LPARAM lParam) {
    return form_.HandleNcHitTest({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

void Win32FormPeer::OnMouseMove(LPARAM lParam, WPARAM keys) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
    }
    if (toolsDirty_) RebuildTools();
    form_.SurfaceMouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, MouseShiftState(keys));
}

void Win32FormPeer::OnMouseButton(UINT msg, LPARAM lParam, WPARAM keys) {
    Point p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    MouseButton button = MouseButton::Left;
    if (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP || msg == WM_RBUTTONDBLCLK) button = MouseButton::Right;
    if (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP || msg == WM_MBUTTONDBLCLK) button = MouseButton::Middle;
    bool up = msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
    bool doubleClick = msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
    if (up) form_.SurfaceMouseUp(p, button, MouseShiftState(keys));
    else form_.SurfaceMouseDown(p, button, MouseShiftState(keys), doubleClick);
}

bool Win32FormPeer::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != hwnd_ || LOWORD(lParam) != HTCLIENT) return false;
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(hwnd_, &p);
    Control* c = form_.ControlAt({p.x, p.y});
    SetCursor(LoadCursorA(nullptr, CursorResource(c ? c->GetCursor() : Cursor::Default)));
    return true;
}

bool Win32FormPeer::IsOverClientArea(LPARAM screenPoint) const {
    POINT p{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    ScreenToClient(hwnd_, &p);
    RECT client;
    GetClientRect(hwnd_, &client);
    return PtInRect(&client, p) != FALSE;
}

bool Win32FormPeer::OnContextMenu(LPARAM lParam) {
    Point screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (screen.x == -1 && screen.y == -1) {  // from the keyboard: at the pointer
        POINT p;
        GetCursorPos(&p);
        screen = {p.x, p.y};
    }
    return form_.HandleContextMenu(screen);
}

void Win32FormPeer::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (Win32ChildPeer* child = ChildOf(reinterpret_cast<HWND>(lParam))) child->OnCommand(HIWORD(wParam));
}

void Win32FormPeer::OnNotify(LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (Win32ChildPeer* child = ChildOf(header->hwndFrom)) child->OnNotify(*header);
}

LRESULT Win32FormPeer::OnCtlColor(HDC dc, HWND childHwnd) {
    Win32ChildPeer* child = ChildOf(childHwnd);
    HBRUSH brush = child ? child->BackgroundBrush(dc) : nullptr;
    if (brush) return reinterpret_cast<LRESULT>(brush);
    return DefWindowProcA(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(childHwnd));
}

void Win32FormPeer::OnActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        form_.HandleDeactivate();
        return;
    }
    form_.HandleActivate();
}

void Win32FormPeer::OnMove() {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    form_.HandleMoved({r.left, r.top});
}

void Win32FormPeer::OnSize(WPARAM wParam) {
    if (wParam == SIZE_MINIMIZED) form_.HandleMinimized(true);
    else if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) form_.HandleMinimized(false);
}

void Win32FormPeer::OnTextMessage(WPARAM id) {
    Message m;
    {
        std::lock_guard lock(textsMutex_);
        auto it = texts_.find(id);
        if (it == texts_.end()) return;
        m = std::move(it->second);
        texts_.erase(it);
    }
    form_.DispatchMessage(m);
}

// ---- painting

void PaintFormTo(Form& form, HDC dc) {
    int width = form.ClientWidth(), height = form.ClientHeight();
    MemoryDc memory(dc, width, height);
    {
        GdiCanvas canvas(memory.dc(), {0, 0, width, height});
        canvas.SetCues(form.Cues());
        RunGuarded(Application::Current(), [&] { form.PaintSurface(canvas); });
    }
    BitBlt(dc, 0, 0, width, height, memory.dc(), 0, 0, SRCCOPY);
}

}  // namespace kelvara::ui::win32
