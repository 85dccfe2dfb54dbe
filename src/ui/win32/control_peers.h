#pragma once
// Peers of the windowed kinds: a native child window of the form per control (button, check
// box, memo, progress bar, list view, or our own class for self-drawn controls), and a
// window-less peer for the containers the form draws on its surface.
#include <string>

#include "ui/widget_set.h"
#include "ui/win32/win32_api.h"

namespace kelvara::ui {
class WinControl;
class TListView;
class CustomControl;
}  // namespace kelvara::ui

namespace kelvara::ui::win32 {

class Win32FormPeer;

class Win32ChildPeer : public ControlPeer {
public:
    Win32ChildPeer(Win32FormPeer& form, WinControl& control, const char* className, DWORD style, DWORD exStyle = 0);
    ~Win32ChildPeer() override;

    void SetBounds(Rect inForm) override;
    void SetText(const std::string& text) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void FontChanged() override;
    void ColorChanged() override;
    void HintChanged() override;
    void Invalidate() override;
    bool SetFocus() override;
    bool Focused() const override;

    HWND Hwnd() const { return hwnd_; }
    WinControl& Control() const { return control_; }
    // Notifications from the form's window procedure.
    virtual void OnCommand(WORD code) {}
    virtual void OnNotify(const NMHDR& header) {}
    // Background brush for WM_CTLCOLOR*, or nullptr for the system's.
    HBRUSH BackgroundBrush(HDC dc);

protected:
    Win32FormPeer& form_;
    WinControl& control_;
    HWND hwnd_ = nullptr;

private:
    HFONT font_ = nullptr;
    HBRUSH brush_ = nullptr;
};

class ButtonPeer : public Win32ChildPeer {
public:
    ButtonPeer(Win32FormPeer& form, WinControl& control, DWORD style);
    void SetDefault(bool isDefault) override;
    void SetChecked(bool checked) override;
    void OnCommand(WORD code) override;
};

class MemoPeer : public Win32ChildPeer {
public:
    MemoPeer(Win32FormPeer& form, WinControl& control, DWORD style);
    void SetText(const std::string& text) override;
};

class ProgressBarPeer : public Win32ChildPeer {
public:
    ProgressBarPeer(Win32FormPeer& form, WinControl& control);
    void SetRange(int min, int max) override;
    void SetPosition(int position) override;
};

class ListViewPeer : public Win32ChildPeer {
public:
    ListViewPeer(Win32FormPeer& form, TListView& control);
    void ColumnsChanged() override;
    void ItemAdded(int row) override;
    void ItemTextChanged(int row, int column) override;
    void ItemsCleared() override;
    void SetGridLines(bool on) override;
    void SetSelected(int row) override;
    void OnNotify(const NMHDR& header) override;

private:
    TListView& list_;
    int nativeColumns_ = 0;
};

// A self-drawn windowed control: our own window class, painted through Canvas into a memory
// DC, with its own mouse events (enter and leave through TrackMouseEvent).
class CustomPeer : public Win32ChildPeer {
public:
    CustomPeer(Win32FormPeer& form, CustomControl& control);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnMouseMove(LPARAM lParam, WPARAM keys);
    void OnMouseButton(UINT msg, LPARAM lParam, WPARAM keys);
    CustomControl& custom_;
    bool trackingLeave_ = false;
    bool releasing_ = false;
};

// Containers are drawn by the form on its surface: no window, only repaints.
class SurfacePeer : public ControlPeer {
public:
    SurfacePeer(Win32FormPeer& form, WinControl& control) : form_(form), control_(control) {}
    void SetBounds(Rect) override { Invalidate(); }
    void SetText(const std::string&) override { Invalidate(); }
    void SetVisible(bool) override { Invalidate(); }
    void SetEnabled(bool) override { Invalidate(); }
    void Invalidate() override;
    bool SetFocus() override { return false; }
    bool Focused() const override { return false; }

private:
    Win32FormPeer& form_;
    WinControl& control_;
};

void RegisterControlClass();

}  // namespace kelvara::ui::win32
