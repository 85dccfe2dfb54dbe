// A form's components: adding them (one by one or from a definition table), in component
// order, and finding them by name.
#include "ui/form.h"

#include "common/ascii_text.h"
#include "ui/application.h"
#include "ui/menu.h"
#include "ui/widget_set.h"
#include "ui/win_control.h"

namespace kelvara::ui {

Component& Form::AddComponent(std::unique_ptr<Component> component, const std::string& name,
                              const std::string& parentName) {
    if (!component) throw ComponentError("form '" + Name() + "': no component given for '" + name + "'");
    if (!name.empty() && FindComponent(name))
        throw ComponentError("form '" + Name() + "' already has a component named '" + name + "'");
    Component& c = *component;
    c.name_ = name;
    c.owner_ = this;
    if (!parentName.empty()) {
        Component* parent = FindComponent(parentName);
        auto* control = dynamic_cast<Control*>(&c);
        auto* container = dynamic_cast<Control*>(parent);
        auto* item = dynamic_cast<TMenuItem*>(&c);
        auto* menu = dynamic_cast<TPopupMenu*>(parent);
        if (control && container)
            control->SetParent(container);
        else if (item && menu)
            menu->Add(*item);
        else
            throw ComponentError("form '" + Name() + "': '" + parentName + "' cannot hold '" + name + "'");
    }
    components_.push_back(std::move(component));
    c.Added();
    if (peer_)
        if (auto* w = dynamic_cast<WinControl*>(&c)) w->CreatePeer(app_->Widgets(), *peer_);
    return c;
}

void Form::AddComponents(std::span<const ComponentSpec> table) {
    for (const ComponentSpec& row : table) {
        if (!row.kind) throw ComponentError("form '" + Name() + "': row '" + row.name + "' has no kind");
        Component& c = AddComponent(row.kind(), row.name, row.parent);
        if (auto* control = dynamic_cast<Control*>(&c)) {
            control->SetBounds(row.bounds);
            control->SetHint(row.hint);
        }
        if (*row.caption) c.SetCaption(row.caption);
        c.ApplyKindFlags(row.flags);
    }
}

std::vector<Component*> Form::Components() const {
    std::vector<Component*> out;
    out.reserve(components_.size());
    for (const auto& c : components_) out.push_back(c.get());
    return out;
}

Component* Form::FindComponent(const std::string& name) const {
    for (const auto& c : components_)
        if (common::AsciiEqualNoCase(c->Name(), name)) return c.get();
    return nullptr;
}

}  // namespace kelvara::ui
