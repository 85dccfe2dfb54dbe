// TSkinProgressBar: the dialogs' progress bar, drawn by the program in the current colour style.
// Where a window asks for it, it carries its percentage in the middle, which the native bar
// cannot show (the analysis window does; the restore-point window does not).
#pragma once

#include <string>

#include "ui/win_control.h"

namespace kelvara::controls {

class TSkinProgressBar : public ui::CustomControl {
public:
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const { return position_; }
    // Kept within Min..Max, as a native bar does.
    void SetPosition(int position);

    bool ShowPercent() const { return showPercent_; }
    void SetShowPercent(bool on);
    // The whole percentage, truncated, followed by "%": 999 of 1000 is "99%".
    std::string PercentText() const;
    // Width in pixels of the filled part inside the frame.
    int FilledWidth() const;

    // The percentage is data, not a designed caption: a translation leaves it alone.
    bool HasCaption() const override { return false; }
    void Paint(ui::Canvas& canvas) override;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    bool showPercent_ = false;
};

}  // namespace kelvara::controls
