#include "ui/menu.h"

#include "ui/application.h"
#include "ui/form_table.h"

namespace kelvara::ui {

void TMenuItem::ApplyKindFlags(unsigned flags) {
    if (flags & kChecked) SetChecked(true);
    if (flags & kDisabled) SetEnabled(false);
    if (flags & kHidden) SetVisible(false);
}

void TMenuItem::Click() {
    if (OnClick) OnClick(*this);
}

void TPopupMenu::Add(TMenuItem& item) {
    item.menu_ = this;
    items_.push_back(&item);
}

TMenuItem* TPopupMenu::Find(const std::string& itemName) const {
    for (TMenuItem* item : items_)
        if (item->Name() == itemName) return item;
    return nullptr;
}

TMenuItem* TPopupMenu::Popup(Point screen) {
    Application& app = Application::Instance();
    TMenuItem* chosen = app.Widgets().TrackPopupMenu(*this, screen, Owner());
    if (!chosen || chosen->IsSeparator() || !chosen->Enabled()) return nullptr;
    chosen->Click();
    return chosen;
}

}  // namespace kelvara::ui
