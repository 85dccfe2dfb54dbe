#include "defrag/fit_labels.h"

#include <algorithm>

#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/standard_controls.h"

namespace kelvara::defrag {

// Room is kept from the label's container edge, as a frame is drawn there.
constexpr int kEdgeRoom = 4;
// Under Wine a text painted on a window's surface comes out a few pixels wider than the screen
// measures it (seen: 264 measured, 268 painted); without the slack its last letter is cut.
constexpr int kPaintSlack = 4;

void FitLabels(ui::Form& form) {
    for (ui::Component* component : form.Components()) {
        auto* label = dynamic_cast<ui::TLabel*>(component);
        if (label == nullptr) continue;
        const int containerWidth = label->Parent() ? label->Parent()->Width() : form.ClientWidth();
        const int room = containerWidth - label->Left() - kEdgeRoom;
        const std::string text = label->ShowAccelChar() ? ui::StripAccessKey(label->Caption()) : label->Caption();
        const int wanted = form.TextWidth(text, label->GetFont()) + kPaintSlack;
        if (wanted <= label->Width()) continue;
        if (wanted > room) {
            // Out of room on the right: the label moves left, but not past the container's edge.
            const int left = std::max(kEdgeRoom, containerWidth - kEdgeRoom - wanted);
            if (left < label->Left()) label->SetLeft(left);
        }
        const int roomNow = containerWidth - label->Left() - kEdgeRoom;
        label->SetWidth(std::min(wanted, std::max(roomNow, label->Width())));
    }
}

}  // namespace kelvara::defrag
