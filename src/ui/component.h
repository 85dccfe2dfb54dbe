#pragma once
// A named part of a form: controls, menus, menu items, timers. A form owns its components in
// component order (the order of its definition table); translation and hit testing walk that
// order. A component's kind is its class: "is of kind X" is a dynamic_cast to X.
#include <functional>
#include <string>

namespace kelvara::ui {

class Form;
class Component;

// Click-like events carry the component that raised them (one handler may serve many items).
using NotifyEvent = std::function<void(Component& sender)>;

class Component {
public:
    Component() = default;
    virtual ~Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    // The form that owns this component, or nullptr for a free-standing one.
    Form* Owner() const { return owner_; }

    // Kind test: IsA<TLabel>() is true for a TLabel and for every class derived from it.
    template <class Kind>
    bool IsA() const { return dynamic_cast<const Kind*>(this) != nullptr; }

    // The text a translation reads and writes (caption, menu text); kinds without one keep "".
    virtual bool HasCaption() const { return false; }
    virtual std::string Caption() const { return {}; }
    virtual void SetCaption(const std::string&) {}

    // Tooltip properties, looked up by name at run time by the translation: only controls
    // have them.
    virtual bool HasHintProperties() const { return false; }

    // The flags of its row in a definition table (form_table.h) that this kind knows. Each kind
    // applies its own and passes the row on to its base class first, so a flag a kind lacks is
    // ignored and a derived kind gets its bases' flags too.
    virtual void ApplyKindFlags(unsigned flags) {}

protected:
    // Called once the component is in its form's list (its owner and name are set).
    virtual void Added() {}

private:
    friend class Form;
    std::string name_;
    Form* owner_ = nullptr;
};

}  // namespace kelvara::ui
