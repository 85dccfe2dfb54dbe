#pragma once
// Popup menus and their items. Items are components of the form too (they follow their menu in
// component order), so a translation finds them by name.
#include <string>
#include <vector>

#include "ui/component.h"
#include "ui/geometry.h"

namespace kelvara::ui {

class TPopupMenu;

class TMenuItem : public Component {
public:
    bool HasCaption() const override { return true; }
    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& c) override { caption_ = c; }
    // A separator is an item whose caption is exactly "-".
    bool IsSeparator() const { return caption_ == "-"; }
    bool Checked() const { return checked_; }
    void SetChecked(bool c) { checked_ = c; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e) { enabled_ = e; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    TPopupMenu* Menu() const { return menu_; }
    void ApplyKindFlags(unsigned flags) override;

    NotifyEvent OnClick;
    // Runs OnClick through the application (an exception goes to the error box).
    void Click();

private:
    friend class TPopupMenu;
    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    TPopupMenu* menu_ = nullptr;
};

class TPopupMenu : public Component {
public:
    // Items in menu order; the menu does not own them (the form does).
    const std::vector<TMenuItem*>& Items() const { return items_; }
    void Add(TMenuItem& item);
    TMenuItem* Find(const std::string& itemName) const;

    // Shows the menu at a screen point and waits for the choice; the chosen item's OnClick
    // runs before this returns. Returns the chosen item or nullptr.
    TMenuItem* Popup(Point screen);

private:
    std::vector<TMenuItem*> items_;
};

}  // namespace kelvara::ui
