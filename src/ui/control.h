#pragma once
// A visible component with bounds in its parent's client coordinates (the form's, or a
// container control's). Mouse events arrive in the control's own coordinates.
#include <functional>
#include <string>

#include "ui/canvas.h"
#include "ui/color.h"
#include "ui/component.h"
#include "ui/font.h"
#include "ui/geometry.h"
#include "ui/messages.h"

namespace kelvara::ui {

class TPopupMenu;

using MouseEvent = std::function<void(Component& sender, MouseButton, ShiftState, int x, int y)>;
using MouseMoveEvent = std::function<void(Component& sender, ShiftState, int x, int y)>;

class Control : public Component {
public:
    // Bounds relative to the parent's client area.
    Rect Bounds() const { return bounds_; }
    void SetBounds(Rect r);
    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.width; }
    int Height() const { return bounds_.height; }
    void SetLeft(int v) { SetBounds({v, bounds_.top, bounds_.width, bounds_.height}); }
    void SetTop(int v) { SetBounds({bounds_.left, v, bounds_.width, bounds_.height}); }
    void SetWidth(int v) { SetBounds({bounds_.left, bounds_.top, v, bounds_.height}); }
    void SetHeight(int v) { SetBounds({bounds_.left, bounds_.top, bounds_.width, v}); }
    // Bounds in the form's client coordinates (parents' offsets added).
    Rect BoundsInForm() const;
    Rect ClientRect() const { return {0, 0, bounds_.width, bounds_.height}; }

    // Container (group box, panel) or nullptr when the form itself is the parent.
    Control* Parent() const { return parent_; }
    void SetParent(Control* parent);

    bool HasCaption() const override { return true; }
    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& text) override;

    bool HasHintProperties() const override { return true; }
    void ApplyKindFlags(unsigned flags) override;
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool on);

    // Visible here is the control's own flag; IsShowing() also asks its parents.
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool IsShowing() const;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);

    // Font and colour follow the parent (or form) while ParentFont / ParentColor hold.
    Font GetFont() const;
    void SetFont(const Font& f);
    bool ParentFont() const { return parentFont_; }
    Color GetColor() const;
    void SetColor(Color c);
    bool ParentColor() const { return parentColor_; }

    Cursor GetCursor() const { return cursor_; }
    void SetCursor(Cursor c) { cursor_ = c; }
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* m) { popupMenu_ = m; }

    // Click events: a left press and release inside raises Click(). Kinds that decide
    // themselves when they are clicked (a flat button) turn this off and call Click().
    bool ClickEvents() const { return clickEvents_; }
    void SetClickEvents(bool on) { clickEvents_ = on; }

    // Asks for a repaint of the control (windowless: the form repaints its area; a windowed
    // control that draws itself repaints its own window too).
    virtual void Invalidate();

    // Events. Handlers are called through the application, so an exception thrown by one is
    // shown in the error box and ends that command only.
    NotifyEvent OnClick;
    NotifyEvent OnDblClick;
    MouseEvent OnMouseDown;
    MouseEvent OnMouseUp;
    MouseMoveEvent OnMouseMove;
    NotifyEvent OnMouseEnter;
    NotifyEvent OnMouseLeave;

    // What the framework calls; kinds override them and call the base to raise the events.
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(MouseButton button, ShiftState shift, int x, int y);
    virtual void MouseUp(MouseButton button, ShiftState shift, int x, int y);
    virtual void MouseMove(ShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    // A character typed in the form (the access key of a caption). True when consumed.
    virtual bool DialogChar(char ch) { return false; }
    // The mouse capture was taken away (another window, a message box).
    virtual void CaptureLost() {}

    // Windowless controls are painted by their form; windowed ones have a native peer.
    virtual bool IsWindowed() const = 0;

protected:
    // Property change hooks: windowless controls repaint, windowed ones tell their peer.
    virtual void BoundsChanged(Rect old);
    virtual void TextChanged() { Invalidate(); }
    virtual void VisibilityChanged();
    virtual void EnabledChanged() { Invalidate(); }
    virtual void FontChanged() { Invalidate(); }
    virtual void ColorChanged() { Invalidate(); }
    virtual void HintChanged();
    // True when `ch` is the caption's access key and the control can act on it now (enabled
    // and showing): what a DialogChar of a control with an access key asks first.
    bool IsAccessKey(char ch) const;

    bool captured_ = false;

private:
    friend class Form;
    Rect bounds_{};
    Control* parent_ = nullptr;
    std::string caption_;
    std::string hint_;
    bool showHint_ = false;
    bool visible_ = true;
    bool enabled_ = true;
    Font font_{};
    bool parentFont_ = true;
    Color color_ = clBtnFace;
    bool parentColor_ = true;
    Cursor cursor_ = Cursor::Default;
    TPopupMenu* popupMenu_ = nullptr;
    bool clickEvents_ = true;
};

// A control without a window of its own: its form paints it through Canvas in component
// order, and routes the mouse to it by its bounds.
class GraphicControl : public Control {
public:
    bool IsWindowed() const override { return false; }
    // Paints in the control's own coordinates; the canvas is clipped to the control.
    virtual void Paint(Canvas& canvas) = 0;
};

}  // namespace kelvara::ui
