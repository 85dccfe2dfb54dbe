#include "controls/skin_fit.h"

#include <algorithm>

#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "ui/canvas.h"
#include "ui/containers.h"
#include "ui/form.h"
#include "ui/standard_controls.h"

namespace kelvara::controls {
namespace {

bool SameRow(const ui::Control& a, const ui::Control& b) {
    return a.Top() < b.Bounds().Bottom() && b.Top() < a.Bounds().Bottom();
}

// The right edge the control may reach: its container's edge, or the next control to its right
// on the same row.
int RightLimit(const ui::Form& form, const ui::Control& control) {
    int limit = (control.Parent() ? control.Parent()->Width() : form.ClientWidth()) - kContainerEdgeRoom;
    for (ui::Component* component : form.Components()) {
        auto* other = dynamic_cast<ui::Control*>(component);
        if (other == nullptr || other == &control || other->Parent() != control.Parent() || !other->Visible()) continue;
        if (other->Left() >= control.Bounds().Right() && SameRow(control, *other)) limit = std::min(limit, other->Left() - kContainerEdgeRoom);
    }
    return limit;
}

}  // namespace

int CaptionNeededWidth(const ui::Form& form, const ui::Control& control) {
    if (auto* label = dynamic_cast<const ui::TLabel*>(&control)) {
        return form.TextWidth(label->ShownCaption(), label->GetFont()) + kPaintSlack;
    }
    const std::string text = ui::StripAccessKey(control.Caption());
    if (dynamic_cast<const TSkinCheckBox*>(&control))
        return TSkinCheckBox::kCaptionLeft + form.TextWidth(text, control.GetFont()) + kPaintSlack;
    if (dynamic_cast<const TSkinButton*>(&control))
        return form.TextWidth(text, control.GetFont()) + 2 * kButtonMargin + kPaintSlack;
    return 0;
}

std::vector<GrownControl> FitCaptions(ui::Form& form) {
    std::vector<GrownControl> grown;
    for (ui::Component* component : form.Components()) {
        auto* control = dynamic_cast<ui::Control*>(component);
        if (control == nullptr) continue;
        const int wanted = CaptionNeededWidth(form, *control);
        if (wanted <= control->Width()) continue;
        const GrownControl before{control->Name(), control->Left(), control->Width(), 0, 0};
        const int limit = std::max(RightLimit(form, *control), control->Bounds().Right());
        const bool mayMove = dynamic_cast<ui::TLabel*>(control) != nullptr || dynamic_cast<TSkinCheckBox*>(control) != nullptr;
        if (wanted > limit - control->Left() && mayMove) {
            // A label or box out of room on the right moves left, but not past the container's
            // edge.
            const int left = std::max(kContainerEdgeRoom, limit - wanted);
            if (left < control->Left()) control->SetLeft(left);
        }
        control->SetWidth(std::max(control->Width(), std::min(wanted, limit - control->Left())));
        if (control->Width() != before.oldWidth || control->Left() != before.oldLeft)
            grown.push_back({before.name, before.oldLeft, before.oldWidth, control->Left(), control->Width()});
    }
    return grown;
}

}  // namespace kelvara::controls
