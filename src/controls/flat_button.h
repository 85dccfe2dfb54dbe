// TFlatButton: a windowless text button painted on its parent's surface. At rest it shows its
// caption and a thin frame over the background; under the mouse (while the program's window is
// active) it fills with ColorFocused; pressed, it sinks.
#pragma once

#include "controls/flat_button_look.h"
#include "ui/control.h"
#include "ui/picture.h"

namespace kelvara::controls {

enum class TButtonLayout : std::uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TFlatButton : public ui::GraphicControl {
public:
    TFlatButton();
    ~TFlatButton() override;

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

    // Grouping, the picture beside the caption and the derived colours exist for window
    // definitions that set them; the program's windows use caption-only buttons in fixed
    // colours, so they are kept but do not change the drawing.
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
    const ui::Picture& Glyph() const { return glyph_; }
    void SetGlyph(ui::Picture glyph) { glyph_ = std::move(glyph); }
    // Colours derived from Color by percentages; kept for window definitions that set them.
    bool UseAdvColors() const { return useAdvColors_; }
    void SetUseAdvColors(bool on) { useAdvColors_ = on; }
    int AdvColorFocused() const { return advColorFocused_; }
    void SetAdvColorFocused(int percent) { advColorFocused_ = percent; }
    int AdvColorDown() const { return advColorDown_; }
    void SetAdvColorDown(int percent) { advColorDown_ = percent; }
    int AdvColorBorder() const { return advColorBorder_; }
    void SetAdvColorBorder(int percent) { advColorBorder_ = percent; }

    // ---- state, for the program's tests and for painting
    TButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }
    bool Dragging() const { return dragging_; }

    // True while the shared hover timer watches this button.
    bool IsHotButton() const;

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
    // After a click or a change of Enabled: lit again if the pointer is still over it.
    void Reevaluate();
    // Whether this button is the control under the mouse pointer, in any window of the program.
    bool UnderPointer() const;
    void TrackHover();
    friend void CheckHotButton();
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
    ui::Picture glyph_;
    bool useAdvColors_ = false;
    int advColorFocused_ = 10;
    int advColorDown_ = 10;
    int advColorBorder_ = 50;

    TButtonState state_ = TButtonState::Up;
    bool mouseInControl_ = false;
    bool dragging_ = false;
};

}  // namespace kelvara::controls
