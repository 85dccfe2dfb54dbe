// The progress window's bar: drawn by the program so it can carry its percentage in the middle,
// which the native bar cannot show.
#pragma once

#include <string>

#include "ui/win_control.h"

namespace kelvara::hive {

class TPercentProgressBar : public ui::CustomControl {
public:
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const { return position_; }
    // Kept within Min..Max, as a native bar does.
    void SetPosition(int position);

    // The whole percentage, truncated, followed by "%": 999 of 1000 is "99%".
    std::string PercentText() const;

    // The percentage is data, not a designed caption: a translation leaves it alone.
    bool HasCaption() const override { return false; }
    void Paint(ui::Canvas& canvas) override;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};

}  // namespace kelvara::hive
