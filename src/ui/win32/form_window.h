#pragma once
// The native window of a form: one window procedure that dispatches to small named handlers.
#include <cstdint>
#include <map>
#include <mutex>

#include "ui/form.h"
#include "ui/widget_set.h"
#include "ui/win32/win32_api.h"

namespace kelvara::ui::win32 {

class Win32WidgetSet;
class Win32ChildPeer;

// The keys and buttons held during a mouse message (its wParam), for the form's surface and the
// drawn controls alike.
ShiftState MouseShiftState(WPARAM keys);

class Win32FormPeer : public FormPeer {
public:
    Win32FormPeer(Win32WidgetSet& set, Form& form);
    ~Win32FormPeer() override;

    void SetCaption(const std::string& caption) override;
    void SetClientSize(Size size) override;
    void SetScreenPosition(Point topLeft) override;
    Point ClientOffset() const override;
    Size WindowSize() const override;
    void Show(bool activate) override;
    void Hide() override;
    void SetEnabled(bool enabled) override;
    void Minimize() override;
    void Restore() override;
    bool IsActive() const override;
    void BringToFront() override;
    void Invalidate(Rect client) override;
    void FontChanged() override;
    void HintChanged(Control& control) override;
    void SetCapture(bool on) override;
    int DefaultHitTest(Point screen) override;
    void PostToQueue(Message message) override;
    void RunModalLoop(const std::function<bool()>& done) override;

    HWND Hwnd() const { return hwnd_; }
    Form& GetForm() const { return form_; }
    Win32WidgetSet& Set() const { return set_; }
    HFONT FormFont() const { return font_; }
    // Child windows report through their parent; the peers register here.
    int AddChild(HWND child, Win32ChildPeer* peer);
    void RemoveChild(HWND child);
    Win32ChildPeer* ChildOf(HWND child) const;
    // Makes the form's focus record follow the native focus.
    void SyncFocus();

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    LRESULT OnNcHitTest(LPARAM lParam);
    void OnMouseMove(LPARAM lParam, WPARAM keys);
    void OnMouseButton(UINT msg, LPARAM lParam, WPARAM keys);
    bool OnSetCursor(WPARAM wParam, LPARAM lParam);
    bool OnContextMenu(LPARAM lParam);
    // True when the screen point in lParam lies in the client area.
    bool IsOverClientArea(LPARAM screenPoint) const;
    void OnCommand(WPARAM wParam, LPARAM lParam);
    void OnNotify(LPARAM lParam);
    void OnActivate(WPARAM wParam);
    void OnMove();
    void OnSize(WPARAM wParam);
    void OnTextMessage(WPARAM id);
    LRESULT OnCtlColor(HDC dc, HWND child);
    void RebuildTools();
    void SetIcons(const std::string& resource);

    Win32WidgetSet& set_;
    Form& form_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    HFONT font_ = nullptr;
    HBRUSH backgroundBrush_ = nullptr;
    bool trackingLeave_ = false;
    bool toolsDirty_ = true;
    bool cuesAnnounced_ = false;
    std::map<HWND, Win32ChildPeer*> children_;
    int nextChildId_ = kFirstChildId;
    std::mutex textsMutex_;
    std::map<WPARAM, Message> texts_;
    WPARAM nextTextId_ = 1;
};

}  // namespace kelvara::ui::win32
