#include "settings/form_translation.h"

#include "controls/flat_button.h"
#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "controls/skin_group_box.h"
#include "settings/language_file.h"
#include "settings/options_setting.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/form.h"
#include "ui/list_view.h"
#include "ui/menu.h"
#include "ui/standard_controls.h"

namespace kelvara::settings {
namespace {

// The kinds whose caption is a text of the window. Pictures, image buttons, image panels,
// progress bars (drawn or native) and the memo have none worth translating, even though the
// framework gives every control a caption.
bool HasTranslatableCaption(const ui::Component& component) {
    return component.IsA<ui::TLabel>() || component.IsA<ui::TButton>() || component.IsA<ui::TGroupBox>() ||
           component.IsA<ui::TPanel>() || component.IsA<controls::TFlatButton>() ||
           component.IsA<ui::TCheckBox>() || component.IsA<controls::TSkinCheckBox>() ||
           component.IsA<controls::TSkinButton>();
}

}  // namespace

void TranslateForm(ui::Form& form, const std::string& language) {
    const LanguageSource source(LanguageFilePath(language));
    const std::string section = form.Name();
    const std::string menuSection = "Menu_" + section;
    form.SetCaption(source.Read(section, section, form.Caption()));

    // Counted once: translating adds and removes nothing.
    const int count = form.ComponentCount();
    for (int i = 0; i < count; ++i) {
        ui::Component& component = form.ComponentAt(i);
        const std::string& name = component.Name();
        if (HasTranslatableCaption(component)) {
            component.SetCaption(source.Read(section, name, component.Caption()));
        } else if (auto* group = dynamic_cast<controls::TSkinGroupBox*>(&component)) {
            // Through the box's own caption property, which repaints its frame around the text.
            group->SetCaption(source.Read(section, name, group->Caption()));
        } else if (auto* list = dynamic_cast<ui::TListView*>(&component)) {
            for (int column = 0; column < list->ColumnCount(); ++column) {
                const std::string key = name + "_Column" + std::to_string(column);
                list->SetColumnCaption(column, source.Read(section, key, list->Column(column).caption));
            }
        } else if (auto* item = dynamic_cast<ui::TMenuItem*>(&component)) {
            // A separator has nothing to say, whatever the file holds under its name.
            if (item->IsSeparator()) continue;
            item->SetCaption(source.Read(menuSection, name, item->Caption()));
        }

        // Tooltips only where they are shown: a hint the user never sees is not looked up.
        if (!component.HasHintProperties()) continue;
        auto* control = dynamic_cast<ui::Control*>(&component);
        if (control != nullptr && control->ShowHint())
            control->SetHint(source.Read(section, name + "Hint", control->Hint()));
    }
}

void TranslateFormOnShow(ui::Form& form) {
    if (!IsBuiltInLanguage(OptionsSetting.Lan)) TranslateForm(form, OptionsSetting.Lan);
}

}  // namespace kelvara::settings
