#pragma once
// Native containers: a group box with a caption on its frame, and a plain panel. Their
// children give them as Parent; child bounds are relative to the container.
#include "ui/win_control.h"

namespace kelvara::ui {

class TGroupBox : public WinControl {
protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;
};

class TPanel : public WinControl {
public:
    TextAlign Alignment() const { return alignment_; }
    void SetAlignment(TextAlign a) { alignment_ = a; Invalidate(); }
    // A flat panel has no bevel; the program's panels are flat.
    bool Bevel() const { return bevel_; }
    void SetBevel(bool b) { bevel_ = b; Invalidate(); }

protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;

private:
    TextAlign alignment_ = TextAlign::Center;
    bool bevel_ = false;
};

}  // namespace kelvara::ui
