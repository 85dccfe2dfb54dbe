// The main window's commands that lead away from the registry work: the Help menu with its web
// pages and the About dialog, and the language menu that switches the window's language.
#include <exception>

#include "app/about_form.h"
#include "app/main_form.h"
#include "settings/form_translation.h"
#include "settings/language_file.h"
#include "settings/options_setting.h"
#include "settings/string_table.h"
#include "ui/application.h"
#include "ui/menu.h"

namespace kelvara::app {

using settings::OptionsSetting;
namespace strings = settings::strings;

std::string LanguageOfItem(const ui::TMenuItem& item)
{
    const std::string& name = item.Name();
    return name.size() > 2 ? name.substr(2) : std::string();
}

namespace {

void PopupAtCursor(ui::TPopupMenu& menu)
{
    menu.Popup(ui::Application::Instance().CursorPos());
}

// An address with a scheme goes to the browser as it is; a bare file name (the help page) is a
// file shipped beside the program, which the shell would otherwise look for in the current
// folder.
std::string ResolveAddress(const std::string& address, const std::string& programFolder)
{
    if (address.find(':') != std::string::npos)
        return address;
    return programFolder + address;
}

}  // namespace

void TfrmMain::OpenAddress(const settings::StringEntry& entry)
{
    // Nothing is said when no browser opens: the user sees that nothing happened.
    ui::Application::Instance().OpenUrl(ResolveAddress(settings::LoadResString(entry), ProgramFolder()));
}

void TfrmMain::bHelpClick(ui::Component&)
{
    PopupAtCursor(PopupMenu("pmHelp"));
}

void TfrmMain::pmiHelpClick(ui::Component&)
{
    OpenAddress(strings::HelpPageAddress);
}

void TfrmMain::Homepage1Click(ui::Component&)
{
    OpenAddress(strings::HomePageAddress);
}

void TfrmMain::bHomepageClick(ui::Component& sender)
{
    Homepage1Click(sender);
}

void TfrmMain::pmiCheckUpdateClick(ui::Component&)
{
    OpenAddress(strings::UpdatePageAddress);
}

void TfrmMain::bAboutClick(ui::Component&)
{
    auto dialog = ui::CreateForm<TfrmAbout>(this);
    dialog->ShowModal();
}

void TfrmMain::bLanguageClick(ui::Component&)
{
    PopupAtCursor(PopupMenu("pmLanguage"));
}

// The chosen language takes over at once when its file exists; it reaches the settings file
// when the window closes. A missing file is reported and leads to the translation page, and
// everything stays as it was.
void TfrmMain::miEnglishClick(ui::Component& sender)
{
    try {
        auto& item = dynamic_cast<ui::TMenuItem&>(sender);
        const std::string language = LanguageOfItem(item);
        const std::string path = settings::LanguageFilePath(language);
        if (settings::LanguageFileExists(path)) {
            OptionsSetting.Lan = language;
            for (ui::TMenuItem* other : PopupMenu("pmLanguage").Items())
                other->SetChecked(false);
            item.SetChecked(true);
            // Also for English: the designed texts are gone once another language replaced them.
            settings::TranslateForm(*this, language);
            FitButtonWidths();
            return;
        }

        // The lookup still speaks the current language, not the missing one.
        std::string text = path + " " + settings::LoadLanguageString(strings::NotFound.key, strings::NotFound.text);
        if (language == "Other")
            text += "\r\n\r\nPlease visit " + settings::LoadResString(strings::TranslationPageAddress);
        ui::Application::Instance().MessageBox(text, settings::LoadResString(strings::ProductTitle),
                                               ui::MsgButtons::Ok, ui::MsgIcon::None);
        OpenAddress(strings::TranslationPageAddress);
    } catch (const std::exception&) {
        // A language that cannot be switched to leaves the window as it was; there is nothing
        // the user could do about the reason.
    }
}

}  // namespace kelvara::app
