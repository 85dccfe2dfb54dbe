#pragma once
// Native containers: a group box with a caption on its frame, and a plain panel. Their
// children give them as Parent; child bounds are relative to the container.
#include "ui/win_control.h"

namespace kelvara::ui {

// A container is drawn on its form's surface, under the windowless controls, so labels inside
// a group box show; the windowed controls inside lie over it as usual.
class ContainerControl : public WinControl {
public:
    bool DrawnOnFormSurface() const override { return true; }
};

class TGroupBox : public ContainerControl {
public:
    // A frame with the caption on its top edge.
    void PaintSurface(Canvas& canvas) override;

protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;
};

class TPanel : public ContainerControl {
public:
    // Fills with the panel's colour, an optional bevel, the caption on one line.
    void PaintSurface(Canvas& canvas) override;
    TextAlign Alignment() const { return alignment_; }
    void SetAlignment(TextAlign a) { alignment_ = a; Invalidate(); }
    // A flat panel has no bevel; with one it is lowered (the dialogs' separating rules).
    bool Bevel() const { return bevel_; }
    void SetBevel(bool b) { bevel_ = b; Invalidate(); }

protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;

private:
    TextAlign alignment_ = TextAlign::Center;
    bool bevel_ = false;
};

}  // namespace kelvara::ui
