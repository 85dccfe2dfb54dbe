#include "controls/skin_progress_bar.h"

#include <algorithm>
#include <cstdint>

#include "controls/skin_style.h"

namespace kelvara::controls {

void TSkinProgressBar::SetRange(int min, int max) {
    if (max < min) std::swap(min, max);
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, max_);
    Invalidate();
}

void TSkinProgressBar::SetPosition(int position) {
    const int clamped = std::clamp(position, min_, max_);
    if (clamped == position_) return;
    position_ = clamped;
    Invalidate();
}

void TSkinProgressBar::SetShowPercent(bool on) {
    if (on == showPercent_) return;
    showPercent_ = on;
    Invalidate();
}

std::string TSkinProgressBar::PercentText() const {
    const std::int64_t span = static_cast<std::int64_t>(max_) - min_;
    const std::int64_t done = static_cast<std::int64_t>(position_) - min_;
    const std::int64_t percent = span > 0 ? done * 100 / span : 0;
    return std::to_string(percent) + "%";
}

int TSkinProgressBar::FilledWidth() const {
    const std::int64_t span = static_cast<std::int64_t>(max_) - min_;
    const int inner = std::max(0, Width() - 2);
    if (span <= 0) return 0;
    return static_cast<int>(inner * (static_cast<std::int64_t>(position_) - min_) / span);
}

void TSkinProgressBar::Paint(ui::Canvas& canvas) {
    const SkinStyle& style = CurrentSkinStyle();
    const ui::Rect all = ClientRect();
    canvas.FillRect(all, style.barBack);
    canvas.FrameRect(all, style.barFrame);
    const int filled = FilledWidth();
    if (filled > 0) canvas.FillRect({1, 1, filled, all.height - 2}, style.barFill);
    if (!showPercent_) return;
    ui::Font font = GetFont();
    font.color = style.barCaption;
    ui::TextFormat format;
    format.align = ui::TextAlign::Center;
    format.verticalCenter = true;
    canvas.DrawText(all, PercentText(), font, format);
}

}  // namespace kelvara::controls
