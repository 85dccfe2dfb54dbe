#include "app/unattended_modes.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "app/main_form.h"
#include "app/program_messages.h"
#include "app/widget_set_choice.h"
#include "common/command_line.h"
#include "common/ini_file.h"
#include "common/size_format.h"
#include "defrag/hand_over.h"
#include "settings/write_error.h"
#include "ui/application.h"
#include "ui/standard_controls.h"

#ifdef _WIN32
#include <cstdlib>
// The process's command line exactly as it was given (kernel32), so the program can cut it by
// its own grammar rather than the C runtime's.
extern "C" __declspec(dllimport) char* __stdcall GetCommandLineA();
#endif

namespace kelvara::app {
namespace {

bool IsMidnight(const platform::LocalTime& t) {
    return t.hour == 0 && t.minute == 0 && t.second == 0 && t.milliseconds == 0;
}

bool IsFullWindowsPath(const std::string& name) {
    const bool driveRooted = name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/');
    const bool uncOrRooted = !name.empty() && (name[0] == '\\' || name[0] == '/');
    return driveRooted || uncOrRooted;
}

}  // namespace

std::vector<std::string> ProgramArguments() {
#ifdef _WIN32
    const char* commandLine = GetCommandLineA();
    return common::SplitCommandLine(commandLine ? commandLine : "");
#else
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> arguments;
    std::string current;
    for (char c : bytes) {
        if (c == '\0') {
            arguments.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) arguments.push_back(current);
    return arguments;
#endif
}

std::string ResolveScanResultPath(const std::string& name) {
#ifdef _WIN32
    if (name.empty() || IsFullWindowsPath(name)) return name;
    const char* windowsFolder = std::getenv("SystemRoot");
    if (!windowsFolder || !*windowsFolder) windowsFolder = std::getenv("windir");
    if (!windowsFolder || !*windowsFolder) return name;
    std::string folder = windowsFolder;
    if (folder.back() != '\\') folder += '\\';
    return folder + name;
#else
    (void)IsFullWindowsPath;
    return name;
#endif
}

std::function<void(const std::string&, const std::string&)> ScanProgressOnConsole() {
    if (!PresentsOnConsole()) return {};
    return [](const std::string& percent, const std::string& hiveText) {
        std::fprintf(stderr, "[%4s] %s\n", percent.c_str(), hiveText.c_str());
        std::fflush(stderr);
    };
}

void ExamineCommandLine(UnattendedHost& host, const std::vector<std::string>& arguments) {
    const common::UnattendedMode mode = common::SelectUnattendedMode(arguments);
    if (mode == common::UnattendedMode::Silent) {
        host.SetSilentMode();
        host.PostToSelf(WM_AUTODEFRAG);
    }
    if (mode == common::UnattendedMode::Scan) {
        host.SetSilentMode();
        host.PostToSelf(WM_AUTOSCAN);
    }
    if (mode == common::UnattendedMode::Undo) {
        host.SetSilentMode();
        host.PostToSelf(WM_AUTOUNDO);
    }
}

void HandleAutoDefrag(UnattendedHost& host) {
    host.HideWindows();
    host.AnalyzeRegistry();
    // Copies from a run that was cut short or failed its size test must never replace hives.
    const bool replaced = host.DefragEnabled() && host.DefragRegistry();
    host.RunEnded(replaced);
    host.CloseMainWindow();
}

void HandleAutoUndo(UnattendedHost& host) {
    host.HideWindows();
    host.RunEnded(host.UndoDefrag());
    host.CloseMainWindow();
}

void HandleAutoScan(UnattendedHost& host, const std::vector<std::string>& arguments) {
    host.HideWindows();
    const std::string name = common::ScanResultPath(arguments);
    const std::string path = ResolveScanResultPath(name);
    // An old result must not pass for this run's if the run fails.
    if (!path.empty()) common::RemoveIniSection(path, kScanResultSection);
    if (!path.empty()) common::RemoveIniSection(path, kHandOverResultSection);

    host.AnalyzeRegistry();
    const bool analysed = host.DefragEnabled();

    bool written = true;
    if (!path.empty()) {
        try {
            WriteScanResult(path, host.Totals(), ScanResultTime(host.System()));
            WriteHandOverResult(path, host.System(), host.System().ProgramFolder());
        } catch (const settings::WriteError&) {
            // The user knows the file by the name they gave, not by where Windows put it.
            host.ReportError(settings::WriteError(name));
            written = false;
        }
    }
    host.RunEnded(analysed && written);
    host.CloseMainWindow();
}

std::string ScanResultTime(platform::System& system) {
    const platform::LocalTime now = system.GetLocalTime();
    if (IsMidnight(now)) return system.FormatShortDate(now);
    return system.FormatShortDateLongTime(now);
}

void WriteScanResult(const std::string& path, const ScanTotals& totals, const std::string& time) {
    const std::pair<const char*, const std::string*> keys[] = {
        {"Current Size", &totals.currentSize},
        {"New Size", &totals.newSize},
        {"Size Reduction", &totals.sizeReduction},
        {"Compact Percent", &totals.compactPercent},
        {"Time", &time},
    };
    for (const auto& [key, value] : keys) settings::WriteIniStringOrRaise(path, kScanResultSection, key, *value);
}

void WriteHandOverResult(const std::string& path, platform::System& system, const std::string& programFolder) {
    const auto record = defrag::ReadHandOverRecord(system, programFolder);
    if (!record) return;
    defrag::HandOverResult result = defrag::ResultOf(system, *record);
    // Before the restart the hives' names hold the copies, yet Windows runs on the old files:
    // nothing is replaced until it starts again.
    if (result.waiting) result = {true, result.handedOver, 0, 0, 0, {}, {}, result.leftOut};
    const bool undo = record->command == defrag::HandOverRecord::Command::Undo;
    std::string notReplaced;
    for (const std::string& hive : result.notReplaced) notReplaced += (notReplaced.empty() ? "" : ", ") + hive;
    const std::string ofAll = " of " + std::to_string(result.handedOver);
    const std::pair<const char*, std::string> keys[] = {
        {"Command", undo ? "Undo" : "Defrag"},
        {"Time", system.FormatShortDateLongTime(defrag::RecordedLocalTime(system, *record))},
        {undo ? "Hives Put Back" : "Hives Replaced", std::to_string(result.replaced) + ofAll},
        {"Current Size", common::FormatSizeKB(result.currentTotal)},
        {"New Size", common::FormatSizeKB(result.newTotal)},
        {undo ? "Not Put Back" : "Not Replaced", notReplaced},
        {"Hives Waiting", std::to_string(result.waiting ? result.handedOver : 0) + ofAll},
    };
    for (const auto& [key, value] : keys) settings::WriteIniStringOrRaise(path, kHandOverResultSection, key, value);
}

// ---- the real main window

void MainWindowHost::SetSilentMode() { window_.SilentMode = true; }

void MainWindowHost::PostToSelf(unsigned message) { window_.Post(message, 0, 0); }

void MainWindowHost::HideWindows() { window_.Hide(); }

void MainWindowHost::AnalyzeRegistry() { window_.bAnalyzeRegistryClick(window_); }

bool MainWindowHost::DefragEnabled() const { return window_.FlatButton("bDefragRegistry").Enabled(); }

bool MainWindowHost::DefragRegistry() {
    window_.bDefragRegistryClick(window_);
    return window_.LastDefrag.end == defrag::DefragEnd::RestartRequested;
}

bool MainWindowHost::UndoDefrag() {
    window_.pmiUndoClick(window_);
    const defrag::UndoOutcome& undo = window_.LastUndo;
    return undo.end == defrag::UndoEnd::RestartRequested &&
           std::all_of(undo.hives.begin(), undo.hives.end(),
                       [](const defrag::HiveUndo& h) { return h.handedOver || !h.hasBackup; });
}

void MainWindowHost::CloseMainWindow() { window_.Close(); }

void MainWindowHost::RunEnded(bool jobDone) { window_.UnattendedJobDone = jobDone; }

ScanTotals MainWindowHost::Totals() const {
    return {window_.Label("lCurrentRegistrySize").Caption(), window_.Label("lNewRegistrySize").Caption(),
            window_.Label("lSizeReduction").Caption(), window_.Label("lCompactPercent").Caption()};
}

void MainWindowHost::ReportError(const std::exception& error) {
    ui::Application::Instance().HandleException(error);
}

}  // namespace kelvara::app
