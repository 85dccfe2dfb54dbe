#include "ui/win32/control_peers.h"

#include "ui/application.h"
#include "ui/list_view.h"
#include "ui/win32/form_window.h"
#include "ui/win32/gdi_canvas.h"
#include "ui/win_control.h"

namespace kelvara::ui::win32 {
namespace {

COLORREF Resolved(Color c) {
    if (IsSystemColor(c)) return GetSysColor(static_cast<int>(c & ~kSystemColorFlag));
    return static_cast<COLORREF>(c & 0x00FFFFFF);
}

int ColumnFormat(TextAlign a) {
    switch (a) {
        case TextAlign::Right: return LVCFMT_RIGHT;
        case TextAlign::Center: return LVCFMT_CENTER;
        case TextAlign::Left: break;
    }
    return LVCFMT_LEFT;
}

}  // namespace

// ---- the common child window

Win32ChildPeer::Win32ChildPeer(Win32FormPeer& form, WinControl& control, const char* className, DWORD style,
                               DWORD exStyle)
    : form_(form), control_(control) {
    Rect r = control.BoundsInForm();
    hwnd_ = CreateWindowExA(exStyle, className, control.Caption().c_str(), WS_CHILD | WS_CLIPSIBLINGS | style, r.left,
                            r.top, r.width, r.height, form.Hwnd(), nullptr, GetModuleHandleA(nullptr), this);
    if (!hwnd_) return;
    int id = form.AddChild(hwnd_, this);
    SetWindowLongPtrA(hwnd_, GWLP_ID, id);
    FontChanged();
}

Win32ChildPeer::~Win32ChildPeer() {
    if (hwnd_) {
        form_.RemoveChild(hwnd_);
        // Messages sent while the window is destroyed must not reach a control being destroyed.
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (font_) DeleteObject(font_);
    if (brush_) DeleteObject(brush_);
}

void Win32ChildPeer::SetBounds(Rect r) { MoveWindow(hwnd_, r.left, r.top, r.width, r.height, TRUE); }

void Win32ChildPeer::SetText(const std::string& text) { SetWindowTextA(hwnd_, text.c_str()); }

void Win32ChildPeer::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }

void Win32ChildPeer::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

void Win32ChildPeer::FontChanged() {
    HFONT old = font_;
    font_ = MakeFont(control_.GetFont());
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    if (old) DeleteObject(old);
}

void Win32ChildPeer::ColorChanged() {
    if (brush_) DeleteObject(brush_);
    brush_ = nullptr;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32ChildPeer::HintChanged() { form_.HintChanged(control_); }

void Win32ChildPeer::Invalidate() { InvalidateRect(hwnd_, nullptr, TRUE); }

bool Win32ChildPeer::SetFocus() {
    ::SetFocus(hwnd_);
    return GetFocus() == hwnd_;
}

bool Win32ChildPeer::Focused() const { return GetFocus() == hwnd_; }

HBRUSH Win32ChildPeer::BackgroundBrush(HDC dc) {
    COLORREF color = Resolved(control_.GetColor());
    if (!brush_) brush_ = CreateSolidBrush(color);
    SetBkColor(dc, color);
    SetTextColor(dc, Resolved(control_.GetFont().color));
    return brush_;
}

// ---- button and check box

ButtonPeer::ButtonPeer(Win32FormPeer& form, WinControl& control, DWORD style)
    : Win32ChildPeer(form, control, "BUTTON", style) {}

void ButtonPeer::SetDefault(bool isDefault) {
    SendMessageA(hwnd_, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void ButtonPeer::SetChecked(bool checked) { SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }

void ButtonPeer::OnCommand(WORD code) {
    if (code == BN_CLICKED) control_.PeerClicked();
}

// ---- memo

MemoPeer::MemoPeer(Win32FormPeer& form, WinControl& control, DWORD style)
    : Win32ChildPeer(form, control, "EDIT", style) {}

void MemoPeer::SetText(const std::string& text) {
    // An edit control breaks lines only at "\r\n".
    std::string native;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) native += '\r';
        native += text[i];
    }
    SetWindowTextA(hwnd_, native.c_str());
}

// ---- progress bar

ProgressBarPeer::ProgressBarPeer(Win32FormPeer& form, WinControl& control)
    : Win32ChildPeer(form, control, PROGRESS_CLASSA, 0) {}

void ProgressBarPeer::SetRange(int min, int max) { SendMessageA(hwnd_, PBM_SETRANGE32, min, max); }

void ProgressBarPeer::SetPosition(int position) { SendMessageA(hwnd_, PBM_SETPOS, position, 0); }

// ---- list view

ListViewPeer::ListViewPeer(Win32FormPeer& form, TListView& control)
    : Win32ChildPeer(form, control, WC_LISTVIEWA,
                     WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                     WS_EX_CLIENTEDGE),
      list_(control) {
    DWORD ex = LVS_EX_FULLROWSELECT;
    SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
}

// The columns there are stay and are set anew: deleting a column takes the rows' texts in it
// along, and a language switched after an analysis renames the columns of a full list.
void ListViewPeer::ColumnsChanged() {
    for (; nativeColumns_ > list_.ColumnCount(); --nativeColumns_)
        SendMessageA(hwnd_, LVM_DELETECOLUMN, nativeColumns_ - 1, 0);
    for (int i = 0; i < list_.ColumnCount(); ++i) {
        const ListColumn& column = list_.Column(i);
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        c.fmt = ColumnFormat(column.alignment);
        c.cx = column.width;
        c.iSubItem = i;
        c.pszText = const_cast<char*>(column.caption.c_str());
        if (i < nativeColumns_) {
            SendMessageA(hwnd_, LVM_SETCOLUMNA, i, reinterpret_cast<LPARAM>(&c));
        } else {
            SendMessageA(hwnd_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&c));
            ++nativeColumns_;
        }
    }
}

void ListViewPeer::ItemAdded(int row) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    std::string caption = list_.ItemText(row, 0);
    item.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (int column = 1; column < static_cast<int>(list_.Row(row).size()); ++column) ItemTextChanged(row, column);
}

void ListViewPeer::ItemTextChanged(int row, int column) {
    LVITEMA item{};
    item.iSubItem = column;
    std::string text = list_.ItemText(row, column);
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(hwnd_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void ListViewPeer::ItemsCleared() { SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0); }

void ListViewPeer::SetGridLines(bool on) {
    SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, on ? LVS_EX_GRIDLINES : 0);
}

void ListViewPeer::SetSelected(int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (row < 0) return;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(hwnd_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void ListViewPeer::OnNotify(const NMHDR& header) {
    if (header.code != LVN_ITEMCHANGED) return;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED)) list_.PeerSelected(change.iItem);
}

// ---- self-drawn control

void RegisterControlClass() {
    WNDCLASSEXA cls{};
    if (GetClassInfoExA(GetModuleHandleA(nullptr), kControlClass, &cls)) return;
    cls.cbSize = sizeof cls;
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = CustomPeer::WindowProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    cls.lpszClassName = kControlClass;
    RegisterClassExA(&cls);
}

CustomPeer::CustomPeer(Win32FormPeer& form, CustomControl& control)
    : Win32ChildPeer(form, control, kControlClass, control.TabStop() ? WS_TABSTOP : 0), custom_(control) {}

LRESULT CALLBACK CustomPeer::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* peer = reinterpret_cast<CustomPeer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // Until the peer is fully made, the base constructor's messages get default handling.
    if (!peer || !peer->hwnd_) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return peer->Handle(msg, wParam, lParam);
}

LRESULT CustomPeer::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEMOVE: OnMouseMove(lParam, wParam); return 0;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            custom_.PeerMouseLeave();
            return 0;
        case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN: case WM_RBUTTONUP:
            OnMouseButton(msg, lParam, wParam);
            return 0;
        case WM_CAPTURECHANGED:
            if (!releasing_ && reinterpret_cast<HWND>(lParam) != hwnd_) custom_.PeerCaptureLost();
            return 0;
        // The focus mark comes and goes with the focus.
        case WM_SETFOCUS:
            custom_.PeerFocused();
            Invalidate();
            return 0;
        case WM_KILLFOCUS: Invalidate(); return 0;
        // A drawn push button or box answers the native button's click message too, so tools
        // that drive dialogs from outside (and accessibility helpers) can press it.
        case BM_CLICK:
            if (custom_.Enabled() && (custom_.IsPushButton() || custom_.TabStop())) custom_.PeerClicked();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                LPCSTR cursor = custom_.GetCursor() == Cursor::HandPoint ? IDC_HAND : IDC_ARROW;
                SetCursor(LoadCursorA(nullptr, cursor));
                return TRUE;
            }
            break;
        default: break;
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

void CustomPeer::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    int width = custom_.Width(), height = custom_.Height();
    {
        MemoryDc memory(dc, width, height);
        {
            GdiCanvas canvas(memory.dc(), {0, 0, width, height});
            canvas.SetCues(CuesOf(custom_));
            if (Application* app = Application::Current()) app->Guard([&] { custom_.Paint(canvas); });
        }
        BitBlt(dc, 0, 0, width, height, memory.dc(), 0, 0, SRCCOPY);
    }
    EndPaint(hwnd_, &ps);
}

void CustomPeer::OnMouseMove(LPARAM lParam, WPARAM keys) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
    }
    custom_.PeerMouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, MouseShiftState(keys));
}

void CustomPeer::OnMouseButton(UINT msg, LPARAM lParam, WPARAM keys) {
    Point p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    MouseButton button = (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP) ? MouseButton::Right : MouseButton::Left;
    if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP) {
        custom_.PeerMouseUp(p, button, MouseShiftState(keys));
        // Our own release is no cancelled mouse mode.
        releasing_ = true;
        if (GetCapture() == hwnd_) ReleaseCapture();
        releasing_ = false;
        return;
    }
    ::SetCapture(hwnd_);
    custom_.PeerMouseDown(p, button, MouseShiftState(keys), msg == WM_LBUTTONDBLCLK);
}

// ---- containers drawn on the form

void SurfacePeer::Invalidate() { form_.Invalidate(control_.BoundsInForm()); }

}  // namespace kelvara::ui::win32
