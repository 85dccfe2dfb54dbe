// TFlatButton: a windowless text button painted on its parent's surface. At rest it shows its
// caption and a thin frame over the background; under the mouse (while the program's window is
// active) it fills with ColorFocused; pressed, it sinks.
#pragma once

#include "controls/flat_button_look.h"
#include "ui/control.h"

namespace kelvara::controls {

enum class TButtonLayout : std::uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TFlatButton : public ui::GraphicControl {
public:
    TFlatButton();

    // ---- looks
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);
    ui::Color ColorFocused() const { return colours_.ColorFocused; }
    void SetColorFocused(ui::Color c);
    ui::Color ColorDown() const { return colours_.ColorDown; }
    void SetColorDown(ui::Color c);
    ui::Color ColorBorder() const { return colours_.ColorBorder; }
    void SetColorBorder(ui::Color c);
    ui::Color ColorHighLight() const { return colours_.ColorHighLight; }
    void SetColorHighLight(ui::Color c);
    ui::Color ColorShadow() const { return colours_.ColorShadow; }
    void SetColorShadow(ui::Color c);

    // ---- behaviour
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }

    // Grouping and pictures exist for window definitions that set them; the program's windows
    // use caption-only buttons, so they are kept but not drawn.
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index) { groupIndex_ = index; }
    bool Down() const { return down_; }
    void SetDown(bool down) { down_ = down; }
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow) { allowAllUp_ = allow; }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n) { numGlyphs_ = n < 1 ? 1 : (n > 4 ? 4 : n); }
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout) { layout_ = layout; }
    int Margin() const { return margin_; }
    void SetMargin(int margin) { margin_ = margin; }
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing) { spacing_ = spacing; }

    // ---- state, for the program's tests and for painting
    TButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }
    bool Dragging() const { return dragging_; }

    // The face colour and frame this button paints now (nullopt: the background shows).
    std::optional<ui::Color> FaceColour() const;
    FrameColours Frame() const;
    // The colours of the look table, with Color taken from the control (the parent's colour
    // while ParentColor holds).
    FlatButtonColours Colours() const;

    void Paint(ui::Canvas& canvas) override;
    void Click() override;
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseMove(ui::ShiftState shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    bool DialogChar(char ch) override;
    void CaptureLost() override;

protected:
    void EnabledChanged() override;

private:
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }
    // Whether the program has an active window: the highlight follows the mouse only then.
    bool ApplicationActive() const;
    void EnterStep(bool forceRepaint);
    void LeaveStep(bool forceRepaint);
    void Reevaluate(bool pointerInside);
    TButtonState RestingState() const;

    TTransparentMode transparentMode_ = TTransparentMode::tmNone;
    FlatButtonColours colours_;
    int modalResult_ = 0;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = TButtonLayout::blGlyphTop;
    int margin_ = -1;
    int spacing_ = 4;

    TButtonState state_ = TButtonState::Up;
    bool mouseInControl_ = false;
    bool dragging_ = false;
};

}  // namespace kelvara::controls
