#pragma once
// A form's definition as data: one row per component, in component order.
//
//   const ui::ComponentSpec kLayout[] = {
//       {ui::Kind<ui::TImage>, "Image1", {0, 0, 556, 393}},
//       {ui::Kind<ui::TLabel>, "lTitle1", {13, 67, 88, 13}, "Main", "", ui::kBold | ui::kTransparent},
//       {ui::Kind<ui::TPopupMenu>, "pmHelp"},
//       {ui::Kind<ui::TMenuItem>, "pmiHelp", {}, "&Help", "", 0, "pmHelp"},
//   };
//   AddComponents(kLayout);
#include <memory>

#include "ui/geometry.h"

namespace kelvara::ui {

class Component;

using ComponentFactory = std::unique_ptr<Component> (*)();

template <class KindClass>
std::unique_ptr<Component> Kind() { return std::make_unique<KindClass>(); }

// Flags of a row. The generic ones apply to every control; the others to the kinds that have
// the property (a flag a kind lacks is ignored).
enum ComponentFlag : unsigned {
    kHidden = 1u << 0,        // Visible false
    kDisabled = 1u << 1,      // Enabled false
    kShowHint = 1u << 2,      // tooltip on
    kHandCursor = 1u << 3,    // hand cursor
    kBold = 1u << 4,          // bold font (own font, no longer the parent's)
    kTransparent = 1u << 5,   // label, picture: transparent
    kAlignRight = 1u << 6,    // label, column-less text: right-aligned
    kAlignCenter = 1u << 7,   // label: centred
    kStretch = 1u << 8,       // picture: stretched to the control
    kChecked = 1u << 9,       // check box, menu item: checked
    kTabStop = 1u << 10,      // windowed control: in the tab order
    kNoTabStop = 1u << 11,    // windowed control: out of the tab order
    kTimerDisabled = 1u << 12,  // timer: created disabled
    kDefault = 1u << 13,      // button: Enter clicks it
    kCancel = 1u << 14,       // button: Escape clicks it
    kReadOnly = 1u << 15,     // memo, list view
    kNoBorder = 1u << 16,     // memo
    kGridLines = 1u << 17,    // list view
};

struct ComponentSpec {
    ComponentFactory kind = nullptr;
    const char* name = "";
    Rect bounds{};
    const char* caption = "";
    const char* hint = "";
    unsigned flags = 0;
    // A container control (group box, panel) for controls, the menu for menu items; "" is the form.
    const char* parent = "";
};

}  // namespace kelvara::ui
