#include "hive/percent_progress_bar.h"

#include <algorithm>
#include <cstdint>

namespace kelvara::hive {

void TPercentProgressBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
    Invalidate();
}

void TPercentProgressBar::SetPosition(int position) {
    const int clamped = std::clamp(position, min_, max_);
    if (clamped == position_) return;
    position_ = clamped;
    Invalidate();
}

std::string TPercentProgressBar::PercentText() const {
    const std::int64_t span = static_cast<std::int64_t>(max_) - min_;
    const std::int64_t done = static_cast<std::int64_t>(position_) - min_;
    const std::int64_t percent = span > 0 ? done * 100 / span : 0;
    return std::to_string(percent) + "%";
}

void TPercentProgressBar::Paint(ui::Canvas& canvas) {
    const ui::Rect all = ClientRect();
    canvas.FillRect(all, ui::clWindow);
    canvas.FrameRect(all, ui::clBtnShadow);

    const std::int64_t span = static_cast<std::int64_t>(max_) - min_;
    const int inner = std::max(0, all.width - 2);
    const int filled = span > 0 ? static_cast<int>(inner * (static_cast<std::int64_t>(position_) - min_) / span) : 0;
    if (filled > 0) canvas.FillRect({1, 1, filled, all.height - 2}, ui::clHighlight);

    ui::TextFormat format;
    format.align = ui::TextAlign::Center;
    format.verticalCenter = true;
    canvas.DrawText(all, PercentText(), GetFont(), format);
}

}  // namespace kelvara::hive
