#include "ui/memo.h"

#include "ui/form_table.h"
#include "ui/widget_set.h"

namespace kelvara::ui {

void TMemo::ApplyKindFlags(unsigned flags) {
    WinControl::ApplyKindFlags(flags);
    if (flags & kReadOnly) SetReadOnly(true);
    if (flags & kNoBorder) SetBorder(false);
}

std::unique_ptr<ControlPeer> TMemo::MakePeer(WidgetSet& widgets, FormPeer& form) {
    return widgets.CreateMemoPeer(*this, form);
}

}  // namespace kelvara::ui
