#include "ui/progress_bar.h"

#include <algorithm>

#include "ui/widget_set.h"

namespace kelvara::ui {

void TProgressBar::SetRange(int min, int max) {
    if (max < min) std::swap(min, max);
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, max_);
    if (Peer()) {
        Peer()->SetRange(min_, max_);
        Peer()->SetPosition(position_);
    }
}

void TProgressBar::SetPosition(int p) {
    p = std::clamp(p, min_, max_);
    if (p == position_) return;
    position_ = p;
    if (Peer()) Peer()->SetPosition(position_);
}

std::unique_ptr<ControlPeer> TProgressBar::MakePeer(WidgetSet& widgets, FormPeer& form) {
    return widgets.CreateProgressBarPeer(*this, form);
}

void TProgressBar::PeerCreated() {
    Peer()->SetRange(min_, max_);
    Peer()->SetPosition(position_);
}

}  // namespace kelvara::ui
