// The dialogs' labels keep their designed place but grow to the right as far as their text
// needs, within their container, and move left when the right runs out: Wine's and Windows'
// fonts differ in width, and a label cut off mid-word hides what the dialog asks.
#pragma once

namespace kelvara::ui {
class Form;
}

namespace kelvara::defrag {

// Every label of the form at least as wide as its text, where the container leaves room.
void FitLabels(ui::Form& form);

}  // namespace kelvara::defrag
