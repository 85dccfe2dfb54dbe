// Program entry: hand over to a running instance, or bring up the main window and run until it
// closes.
#include <exception>
#include <iostream>
#include <memory>

#include "app/console_report.h"
#include "app/main_form.h"
#include "app/program_identity.h"
#include "app/program_messages.h"
#include "app/widget_set_choice.h"
#include "platform/create_system.h"
#include "platform/offline/installation_paths.h"
#include "platform/offline/offline_system.h"
#include "settings/language_code_page.h"
#include "ui/application.h"

using namespace kelvara;

namespace {

// Where the program works on an installation in a folder, the restart happens in the program
// itself, and the platform knows what it did with each hive.
app::RestartResultOf RestartResultsOf(platform::System& system)
{
    auto* offline = dynamic_cast<platform::OfflineSystem*>(&system);
    if (offline == nullptr)
        return {};
    return [offline](const std::string& hiveFile) -> std::optional<app::RestartResult> {
        const auto result = offline->LastStartResultOf(hiveFile);
        if (!result)
            return std::nullopt;
        return app::RestartResult{result->outcome == platform::offline::ReplacementResult::Outcome::Replaced,
                                  result->reason};
    };
}

// Language files are ANSI text in the code page of the Windows they are used on; the Linux
// program shows UTF-8, so it reads them as the installation it works on would.
void UseInstallationCodePage(platform::System& system)
{
#ifndef _WIN32
    auto* offline = dynamic_cast<platform::OfflineSystem*>(&system);
    if (offline == nullptr)
        return;
    const platform::offline::InstallationPaths paths(offline->RootFolder());
    const std::string systemHive = paths.Resolve("Windows\\System32\\config\\SYSTEM").string();
    settings::SetLanguageTextDecoder(settings::CodePageDecoder(settings::InstallationCodePage(systemHive)));
#endif
}

}  // namespace

int main()
{
    ui::Application app(app::CreateProgramWidgetSet());

    // Only one instance runs: a second start shows the first and ends, passing nothing on.
    if (std::unique_ptr<ui::RemoteWindow> running = app.FindWindowByClass(app::MainWindowClassName())) {
        running->Post(app::WM_SHOWMAIN, 0, 0);
        running->SetForeground();
        return 0;
    }

    app.SetTitle(app::kApplicationTitle);
    try {
        std::unique_ptr<platform::System> system = platform::CreateSystem();
        UseInstallationCodePage(*system);
        app::TfrmMain& mainForm = app.CreateForm<app::TfrmMain>(*system);
        app.Run();
        if (app::PresentsOnConsole()) {
            app::PrintMainWindowReport(mainForm, std::cout);
            app::PrintReplacementReport(mainForm.LastDefrag, RestartResultsOf(*system), *system, std::cout);
        }
    } catch (const std::exception& error) {
        // Nothing could be shown yet (no settings, no system): say why, as the program's
        // errors are said, and end.
        app.HandleException(error);
        return 1;
    }
    return 0;
}
