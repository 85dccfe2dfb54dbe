// TSkinGroupBox: the dialogs' group box in the current colour style: a frame with its caption (if
// any) on the top edge. Like the framework's group box it is drawn on the form's surface, so the
// labels inside it show; the controls inside give it as their parent.
#pragma once

#include "ui/containers.h"

namespace kelvara::controls {

class TSkinGroupBox : public ui::ContainerControl {
public:
    // Changing the caption repaints the frame, whose gap follows the caption's width.
    void SetCaption(const std::string& text) override;
    // Where the frame runs: from half the caption's height down.
    int FrameTop(ui::Canvas& canvas) const;
    void PaintSurface(ui::Canvas& canvas) override;

protected:
    std::unique_ptr<ui::ControlPeer> MakePeer(ui::WidgetSet& widgets, ui::FormPeer& form) override;
};

}  // namespace kelvara::controls
