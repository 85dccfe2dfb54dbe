// libFuzzer target: a language file holding whatever the input says, put beside the program and
// read by the real windows (the main window, the confirm dialog, the options dialog) through
// TranslateForm, and by LoadLanguageString. Nothing faults; no text read is longer than the 2047
// characters a value is cut to; reading the same file twice gives the same texts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "defrag/ask_delete_form.h"
#include "platform/fake/scripted_system.h"
#include "settings/form_translation.h"
#include "settings/language_file.h"
#include "settings/options_form.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/control.h"
#include "ui/headless/headless_widget_set.h"

namespace {

namespace fs = std::filesystem;
using namespace kelvara;

void Require(bool holds, const std::string& what) {
    if (holds) return;
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

// Every text a window shows after its translation, in component order.
std::vector<std::string> TextsOf(const ui::Form& form) {
    std::vector<std::string> texts{form.Caption()};
    for (ui::Component* component : form.Components()) {
        texts.push_back(component->Caption());
        if (const auto* control = dynamic_cast<const ui::Control*>(component)) texts.push_back(control->Hint());
    }
    return texts;
}

struct World {
    World() {
        folder = fs::temp_directory_path() / ("kelvara-fuzz-language-" + std::to_string(std::rand()));
        fs::create_directories(folder);
        app = std::make_unique<ui::Application>(std::make_unique<ui::headless::HeadlessWidgetSet>());
        system.SetProgramFolder((folder / "").string());
        settings::OptionsSetting = {};
        main = &app->CreateForm<app::TfrmMain>(system);
        settings::SetLanguageProgramFolder((folder / "").string());
    }
    fs::path folder;
    std::unique_ptr<ui::Application> app;
    platform::fake::ScriptedSystem system;
    app::TfrmMain* main = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    {
        std::ofstream file(world.folder / "DLan_Fuzz.ini", std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    settings::OptionsSetting.Lan = "Fuzz";
    auto ask = ui::CreateForm<defrag::TfrmAskDelete>(world.main);
    auto options = ui::CreateForm<settings::TfrmOptions>(world.main);
    for (ui::Form* form : std::vector<ui::Form*>{world.main, ask.get(), options.get()}) {
        settings::TranslateForm(*form, "Fuzz");
        const std::vector<std::string> once = TextsOf(*form);
        for (const std::string& text : once)
            Require(text.size() <= 2047, form->Name() + ": a text of " + std::to_string(text.size()) + " characters");
        settings::TranslateForm(*form, "Fuzz");
        Require(TextsOf(*form) == once, form->Name() + ": a second reading of the same file changed a text");
    }
    const std::string message = settings::LoadLanguageString("RES_Not_Found", "can not be found.");
    Require(message.size() <= 2047, "a message of " + std::to_string(message.size()) + " characters");
    return 0;
}
