#include "platform/offline/crash/in_process_run.h"

#include <memory>

#include "app/main_form.h"
#include "app/unattended_modes.h"
#include "defrag/defrag_commit.h"
#include "defrag/undo_registry.h"
#include "platform/offline/offline_system.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/headless/headless_widget_set.h"

namespace kelvara::crash {
namespace fs = std::filesystem;

namespace {

class OfflineWithProgramFolder : public platform::OfflineSystem {
public:
    OfflineWithProgramFolder(const fs::path& root, fs::path programFolder)
        : OfflineSystem(root.string()), programFolder_(std::move(programFolder)) {}
    std::string ProgramFolder() override { return (programFolder_ / "").string(); }

private:
    fs::path programFolder_;
};

}  // namespace

std::string RunInProcess(const fs::path& root, const fs::path& programFolder, const std::string& switchName) {
    OfflineWithProgramFolder system(root, programFolder);
    auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
    widgets->SetRuntimeDir(programFolder.string());
    ui::Application app(std::move(widgets));
    app.SetTitle("Varnel Kelvara");
    settings::OptionsSetting = {};
    app::TfrmMain& form = app.CreateForm<app::TfrmMain>(system);
    form.Show();
    app::MainWindowHost host(form, system);
    app::ExamineCommandLine(host, {"kelvara", switchName});
    app.ProcessMessages();
    if (switchName == "/Undo") return form.LastUndo.message;
    std::size_t accepted = 0;
    for (const defrag::HiveHandOver& hive : form.LastDefrag.hives) accepted += hive.accepted ? 1 : 0;
    return std::to_string(accepted) + " of " + std::to_string(form.LastDefrag.hives.size()) + " hives handed over";
}

}  // namespace kelvara::crash
