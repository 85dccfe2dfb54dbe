#include "defrag/defrag_commit.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "defrag/ask_delete_form.h"
#include "defrag/defrag_texts.h"
#include "defrag/hand_over_record.h"
#include "defrag/restart.h"
#include "defrag/system_point_form.h"
#include "hive/snapshot.h"
#include "platform/version.h"
#include "settings/options_setting.h"
#include "settings/string_table.h"
#include "ui/application.h"
#include "ui/messages.h"

namespace kelvara::defrag {
namespace {

using settings::OptionsSetting;

constexpr const char* kMachinePrefix = "REGISTRY\\MACHINE\\";
constexpr const char* kUserPrefix = "REGISTRY\\USER\\";

// System Restore exists from Windows XP on; the codes of XP, Server 2003, Vista and 7.
bool HasSystemRestore(std::uint8_t versionCode) { return versionCode >= 9 && versionCode <= 12; }

// Step 1: true when the user said Yes. The settings are written whatever the answer, since the
// dialog's box may have turned the question off.
bool Confirmed(const DefragWindow& window) {
    int answer = ui::mrNone;
    {
        auto dialog = ui::CreateForm<TfrmAskDelete>(&window.owner);
        answer = dialog->ShowModal();
        settings::ReadWriteOptions(false, window.programFolder);
    }
    return answer == ui::mrYes;
}

// Step 2: true when the command may go on (a restore point was made, or the user goes on
// without one).
bool RestorePointAccepted(const DefragWindow& window) {
    auto form = ui::CreateForm<TfrmSystemPoint>(&window.owner, window.system);
    return form->ShowModal() == ui::mrOk;
}

// A copy that is missing, or that changed or was cut after the analysis, never reaches the
// registry: once swapped in at the start it would be the hive. The registry's own copies pass
// the check, so on Windows this costs nothing but the reading.
HiveHandOver HandOver(platform::System& system, const std::string& hivePath, const std::string& hiveFile) {
    HiveHandOver hive{hivePath, hiveFile, false, {}};
    const std::string copy = hiveFile + ".kvf";
    if (!system.IsUsableHiveFile(copy, hive.reason)) return hive;
    const long status = ReplaceHiveStatus(system, hivePath, copy, hiveFile + ".bak");
    hive.accepted = status == platform::status::Success;
    if (!hive.accepted) hive.reason = system.ErrorText(status);
    return hive;
}

std::string NothingReplacedMessage(const std::vector<HiveHandOver>& hives) {
    std::string text = kNothingReplacedText;
    for (const HiveHandOver& hive : hives) text += "\n" + hive.hivePath + ": " + hive.reason;
    return text;
}

}  // namespace

ReplacementKey ReplacementKeyOf(const std::string& hivePath) {
    const std::string upper = common::AsciiUpperCase(hivePath);
    for (const auto& [prefix, root] : {std::pair{kMachinePrefix, platform::RootKey::LocalMachine},
                                       std::pair{kUserPrefix, platform::RootKey::Users}}) {
        const std::size_t at = upper.find(prefix);
        if (at != std::string::npos) return {root, hivePath.substr(at + std::char_traits<char>::length(prefix))};
    }
    return {platform::RootKey::Users, {}};
}

long ReplaceHiveStatus(platform::System& system, const std::string& hivePath, const std::string& newFile,
                       const std::string& backupFile) {
    const ReplacementKey key = ReplacementKeyOf(hivePath);
    // The registry will not keep the old hive under a name that is taken.
    if (system.FileExists(backupFile)) system.DeleteFile(backupFile);
    return system.RegReplaceKey(key.root, key.subKey, newFile, backupFile);
}

bool ReplaceHive(platform::System& system, const std::string& hivePath, const std::string& newFile,
                 const std::string& backupFile) {
    return ReplaceHiveStatus(system, hivePath, newFile, backupFile) == platform::status::Success;
}

DefragOutcome DefragRegistry(const DefragWindow& window) {
    DefragOutcome outcome;
    if (OptionsSetting.IsAskBeforeDefrag && !window.silentMode && !Confirmed(window)) {
        outcome.end = DefragEnd::NotConfirmed;
        return outcome;
    }
    if (OptionsSetting.RestorePoint && !window.silentMode &&
        HasSystemRestore(platform::GetWindowsVersionCode(window.system)) && !RestorePointAccepted(window)) {
        outcome.end = DefragEnd::RestorePointRefused;
        return outcome;
    }

    hive::EnableRestorePrivilege(window.system);
    const std::size_t count = std::min(window.hiveKeyList.size(), window.hiveFileList.size());
    for (std::size_t i = 0; i < count; ++i)
        outcome.hives.push_back(HandOver(window.system, window.hiveKeyList[i], window.hiveFileList[i]));
    AfterHandOver(window.system, window.programFolder, outcome.hives);   // the record of the last hand-over

    // A forced restart closes every program without asking; for nothing it would only lose
    // the user's unsaved work.
    const bool anyAccepted =
        std::any_of(outcome.hives.begin(), outcome.hives.end(), [](const HiveHandOver& h) { return h.accepted; });
    if (!anyAccepted) {
        if (!window.silentMode)
            window.application.MessageBox(NothingReplacedMessage(outcome.hives),
                                          settings::LoadResString(settings::strings::ProductTitle),
                                          ui::MsgButtons::Ok, ui::MsgIcon::Warning);
        outcome.end = DefragEnd::NothingReplaced;
        return outcome;
    }

    if (!window.silentMode)
        window.application.MessageBox(settings::LoadResString(settings::strings::RestartNotice),
                                      settings::LoadResString(settings::strings::ProductTitle), ui::MsgButtons::Ok);
    RestartComputer(window.system, true);
    outcome.end = DefragEnd::RestartRequested;
    return outcome;
}

}  // namespace kelvara::defrag
