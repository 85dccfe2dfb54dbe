#pragma once
// Native progress bar.
#include "ui/win_control.h"

namespace kelvara::ui {

class TProgressBar : public WinControl {
public:
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const { return position_; }
    // Kept within Min..Max, as the native bar does.
    void SetPosition(int p);
    bool HasCaption() const override { return false; }

protected:
    std::unique_ptr<ControlPeer> MakePeer(WidgetSet& widgets, FormPeer& form) override;
    void PeerCreated() override;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};

}  // namespace kelvara::ui
