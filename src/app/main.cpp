// Program entry: hand over to a running instance, or bring up the main window and run until it
// closes.
#include <exception>
#include <iostream>
#include <memory>

#include "app/command_line_help.h"
#include "app/console_report.h"
#include "app/exit_code.h"
#include "app/main_form.h"
#include "app/program_identity.h"
#include "app/program_messages.h"
#include "app/unattended_modes.h"
#include "app/widget_set_choice.h"
#include "platform/create_system.h"
#include "platform/offline/installation_paths.h"
#include "platform/offline/offline_system.h"
#include "regf/native_path.h"
#include "settings/language_code_page.h"
#include "ui/application.h"

#ifdef _WIN32
#include "platform/win32/process_start.h"
#endif

using namespace kelvara;

namespace {

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

// A folder named by KELVARA_OFFLINE_ROOT that is no Windows installation: the user learns which
// folder and what is missing, where otherwise they would only hear that this Windows is not
// supported. False when there is no folder at all, so there is nothing to show a window for.
bool InstallationFolderUsable(ui::Application& app, platform::System& system)
{
    auto* offline = dynamic_cast<platform::OfflineSystem*>(&system);
    if (offline == nullptr)
        return true;
    const platform::offline::InstallationProblem problem = offline->CheckInstallation();
    if (problem.kind == platform::offline::InstallationProblem::Kind::None)
        return true;
    app.MessageBox(problem.text + ".", app.Title(), ui::MsgButtons::Ok, ui::MsgIcon::Stop);
    return problem.kind != platform::offline::InstallationProblem::Kind::NoFolder;
}

// What opening an installation in a folder did with a replacement that a crash had cut short:
// finished, undone, or, where the files are no longer those its journal describes, left alone.
// Said on the console; true when one was left alone, which ends an unattended run with 1.
bool ReportInterruptedReplacements(platform::System& system)
{
    auto* offline = dynamic_cast<platform::OfflineSystem*>(&system);
    if (offline == nullptr)
        return false;
    using Outcome = platform::offline::ReplacementResult::Outcome;
    bool refused = false;
    for (const platform::offline::ReplacementResult& result : offline->ReplacementResults()) {
        const std::string hive = regf::NarrowPath(result.hive);
        std::string text;
        switch (result.outcome) {
        case Outcome::Replaced: text = hive + ": a replacement that was cut short has been finished"; break;
        case Outcome::RolledBack: text = hive + ": a replacement that was cut short has been undone: " + result.reason; break;
        case Outcome::Refused: text = hive + ": " + result.reason; refused = true; break;
        }
        if (app::PresentsOnConsole())
            std::cout << text << '\n';
    }
    return refused;
}

std::string ProgramName(const std::vector<std::string>& arguments)
{
    const std::string path = common::ParamStr(arguments, 0);
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? "kelvara" : name;
}

void ShowHelp(ui::Application& app, const std::vector<std::string>& arguments)
{
    const std::string name = ProgramName(arguments);
    if (app::PresentsOnConsole())
        std::cout << app::CommandLineHelp(name, true, app::HelpLayout::Terminal);
    else
        app.MessageBox(app::CommandLineHelp(name, false, app::HelpLayout::MessageBox), app.Title(),
                       ui::MsgButtons::Ok, ui::MsgIcon::Information);
}

}  // namespace

int main()
{
#ifdef _WIN32
    // Before any library is loaded or any shell call is made.
    platform::win32::PrepareProcess();
#endif
    const std::vector<std::string> arguments = app::ProgramArguments();
    const common::UnattendedMode mode = common::SelectUnattendedMode(arguments);
    ui::Application app(app::CreateProgramWidgetSet());
    app.SetTitle(app::kApplicationTitle);

    if (app::AsksForHelp(arguments)) {
        ShowHelp(app, arguments);
        return app::kExitJobDone;
    }

    // Only one instance runs. A second start by hand shows the first and ends; an unattended one
    // does nothing and says so by its exit code, or a script would take it for a job done.
    if (std::unique_ptr<ui::RemoteWindow> running = app.FindWindowByClass(app::MainWindowClassName())) {
        if (mode != common::UnattendedMode::None) {
            if (app::PresentsOnConsole())
                std::cerr << app::kAlreadyRunningText << '\n';
            return app::kExitAlreadyRunning;
        }
        running->Post(app::WM_SHOWMAIN, 0, 0);
        running->SetForeground();
        return app::kExitJobDone;
    }

    try {
        std::unique_ptr<platform::System> system = platform::CreateSystem();
        if (!InstallationFolderUsable(app, *system))
            return app::kExitJobNotDone;
        UseInstallationCodePage(*system);
        const bool interruptedRefused = ReportInterruptedReplacements(*system);
        app::TfrmMain& mainForm = app.CreateForm<app::TfrmMain>(*system);
        app.Run();
        if (app::PresentsOnConsole() && mode == common::UnattendedMode::Undo) {
            app::PrintUndoReport(mainForm.LastUndo, *system, std::cout);
        } else if (app::PresentsOnConsole()) {
            app::PrintMainWindowReport(mainForm, std::cout);
            app::PrintSaveNotes(*system, std::cout);
            app::PrintReplacementReport(mainForm.LastDefrag, *system, std::cout);
        }
        int exitCode = mode == common::UnattendedMode::Undo
                           ? app::UndoExitCode(mainForm.LastUndo)
                           : app::ProgramExitCode(mode, mainForm.UnattendedJobDone, mainForm.LastDefrag);
        // A journal that no longer describes the files was left alone: a script must hear of it.
        if (interruptedRefused && mode != common::UnattendedMode::None && exitCode == app::kExitJobDone)
            exitCode = app::kExitJobNotDone;
        return exitCode;
    } catch (const std::exception& error) {
        // Nothing could be shown yet (no settings, no system): say why, as the program's
        // errors are said, and end.
        app.HandleException(error);
        return app::kExitJobNotDone;
    }
}
