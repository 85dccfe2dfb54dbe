#include "defrag/fit_labels.h"

namespace kelvara::defrag {

std::vector<controls::GrownControl> FitLabels(ui::Form& form) { return controls::FitCaptions(form); }

}  // namespace kelvara::defrag
