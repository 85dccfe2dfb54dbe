// The dialogs' labels keep their designed place but grow to the right as far as their text
// needs, within their container, and move left when the right runs out; the drawn check boxes
// and buttons grow to the right likewise: Wine's and Windows' fonts differ in width, and a
// caption cut off mid-word hides what the dialog asks.
#pragma once

#include <vector>

#include "controls/skin_fit.h"

namespace kelvara::ui {
class Form;
}

namespace kelvara::defrag {

// Every label, drawn check box and drawn button of the form at least as wide as its text, where
// the container leaves room; returns the controls that changed.
std::vector<controls::GrownControl> FitLabels(ui::Form& form);

}  // namespace kelvara::defrag
