#include "ui/memo.h"

#include "ui/widget_set.h"

namespace kelvara::ui {

std::unique_ptr<ControlPeer> TMemo::MakePeer(WidgetSet& widgets, FormPeer& form) {
    return widgets.CreateMemoPeer(*this, form);
}

}  // namespace kelvara::ui
