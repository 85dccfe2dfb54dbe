#pragma once
// Controls with a native peer from the widget set. The control keeps the state (texts,
// rows, position); the peer mirrors it into the native widget and reports user actions back.
#include <memory>

#include "ui/control.h"
#include "ui/widget_set.h"  // ControlPeer is complete here: kinds may have inline constructors

namespace kelvara::ui {

class ControlPeer;
class WidgetSet;
class FormPeer;

class WinControl : public Control {
public:
    ~WinControl() override;
    bool IsWindowed() const override { return true; }

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool t) { tabStop_ = t; }
    bool Focused() const;
    // Takes the keyboard focus; false when the control cannot (hidden, disabled, no peer).
    bool SetFocus();

    // Keyboard roles in a dialog: Enter clicks a focused push button or else the default
    // button, Escape the cancel button, Space acts on the focused control.
    virtual bool IsPushButton() const { return false; }
    virtual bool IsDefaultButton() const { return false; }
    virtual bool IsCancelButton() const { return false; }
    // Space on the focused control; true when it did something.
    virtual bool SpacePressed() { return false; }

    void Invalidate() override;
    void ApplyKindFlags(unsigned flags) override;

    // Kinds drawn by the form on its surface (containers) instead of by a native widget.
    virtual bool DrawnOnFormSurface() const { return false; }
    virtual void PaintSurface(Canvas& canvas) {}

    ControlPeer* Peer() const { return peer_.get(); }
    // The widget set reports a native click (button, check box) here.
    void PeerClicked();
    void PeerFocused();
    // Creates the native peer; the form does this for each windowed control in component order.
    void CreatePeer(WidgetSet& widgets, FormPeer& form);
    void DestroyPeer();

protected:
    // Each kind asks the widget set for its own peer class.
    virtual std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) = 0;
    // After the peer exists: push the kind's state (columns, rows, position) into it.
    virtual void PeerCreated() {}

    void BoundsChanged(Rect old) override;
    void TextChanged() override;
    void VisibilityChanged() override;
    void EnabledChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    void HintChanged() override;

private:
    std::unique_ptr<ControlPeer> peer_;
    bool tabStop_ = false;
};

// A windowed control that draws itself through Canvas (the base for image buttons, image
// panels and the dialogs' skinned controls). It receives its own mouse events, with enter
// and leave, in its own coordinates.
class CustomControl : public WinControl {
public:
    // True while the left button went down on the control and has not come up yet.
    bool MouseDownOnIt() const { return pressed_; }
    virtual void Paint(Canvas& canvas) = 0;
    // True while the pointer is over the control.
    bool MouseInside() const { return mouseInside_; }
    // A windowed control has its own surface: to look see-through (transparent image buttons
    // and panels) it paints the part of its form's surface (background picture, labels) that
    // lies behind it.
    void PaintParentSurface(Canvas& canvas);

    // The widget set reports the control's own mouse events here, in its coordinates; these
    // raise enter/leave, the click (left button released inside after a press on it) and the
    // context menu, each through the application's error guard.
    void PeerMouseMove(Point p, ShiftState shift);
    void PeerMouseDown(Point p, MouseButton button, ShiftState shift, bool doubleClick = false);
    void PeerMouseUp(Point p, MouseButton button, ShiftState shift);
    void PeerMouseLeave();
    void PeerCaptureLost();

protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;
    // Its own window shows what it paints, so every change that alters the look repaints it.
    void TextChanged() override;
    void EnabledChanged() override;
    void FontChanged() override;
    void ColorChanged() override;

private:
    friend class Form;
    bool mouseInside_ = false;
    bool pressed_ = false;
};

}  // namespace kelvara::ui
