#include "defrag/defrag_commit.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "defrag/ask_delete_form.h"
#include "defrag/defrag_texts.h"
#include "defrag/hand_over.h"
#include "defrag/set_aside.h"
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
namespace status = platform::status;


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

// What a hive needs before the notices: a copy that is missing, or that changed or was cut after
// the analysis, never reaches the registry, since from the call on it is the hive. On a running
// Windows the copy is saved again and checked right before its call instead. False with the
// reason when the hive is to be left out.
bool ReadyForHandOver(platform::System& system, const std::string& hiveFile, std::string& reason) {
    if (system.FileRedirectionLost()) {
        reason = kRedirectionLostReason;
        return false;
    }
    return system.SavesLiveRegistry() || system.IsUsableHiveFile(hiveFile + ".kvf", reason);
}

// Right before its call: on a running Windows the copy is saved again and checked, so that what
// was written since the analysis is not lost; the old backup is set aside from the name the call
// gives the current file. False with the reason. The registry's own copies pass the check, so on
// Windows it costs nothing but the reading.
bool FreshForCall(platform::System& system, const std::string& hivePath, const std::string& hiveFile,
                  std::string& reason) {
    if (!RefreshCopy(system, hivePath, hiveFile, reason)) return false;
    if (system.FileRedirectionLost()) {
        reason = kRedirectionLostReason;
        return false;
    }
    if (system.SavesLiveRegistry() && !system.IsUsableHiveFile(hiveFile + ".kvf", reason)) return false;
    if (!FreeName(system, hiveFile + ".bak", reason)) return false;
    if (system.FileRedirectionLost()) {
        reason = kRedirectionLostReason;
        return false;
    }
    return true;
}

// The text, then each hive that was not handed over with its reason, a line each.
std::string NotHandedOverMessage(const char* text, const std::vector<HiveHandOver>& hives) {
    std::string message = text;
    for (const HiveHandOver& hive : hives)
        if (!hive.accepted && !hive.reason.empty()) message += "\n" + hive.hivePath + ": " + hive.reason;
    return message;
}

void ShowMessage(const DefragWindow& window, const std::string& text, ui::MsgIcon icon) {
    if (window.silentMode) return;
    window.application.MessageBox(text, settings::LoadResString(settings::strings::ProductTitle), ui::MsgButtons::Ok,
                                  icon);
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

bool RefreshCopy(platform::System& system, const std::string& hivePath, const std::string& hiveFile,
                 std::string& reason) {
    if (!system.SavesLiveRegistry()) return true;
    // The analysis enabled the privilege on the process's token already; asking again costs
    // nothing and does not depend on it.
    hive::EnableBackupPrivilege(system);
    const long status = hive::SaveHiveCopyStatus(system, hivePath, hiveFile + ".kvf", platform::IsWow64(system));
    if (status == platform::status::Success) return true;
    reason = "its copy could not be saved again: " + system.ErrorText(status);
    return false;
}

bool PartlyHandedOver(const DefragOutcome& outcome) {
    const auto accepted = [](const HiveHandOver& h) { return h.accepted; };
    return std::any_of(outcome.hives.begin(), outcome.hives.end(), accepted) &&
           !std::all_of(outcome.hives.begin(), outcome.hives.end(), accepted);
}

DefragOutcome DefragRegistry(const DefragWindow& window) {
    DefragOutcome outcome;
    platform::System& system = window.system;
    // Hives handed over and not yet in use: a second hand-over would hand the registry files it
    // has already renamed, and what the user wrote meanwhile is lost at the restart anyway.
    if (WaitingHandOver(system, window.programFolder)) {
        ShowMessage(window, kDefragWaitingText, ui::MsgIcon::Warning);
        outcome.end = DefragEnd::HandOverWaiting;
        return outcome;
    }
    if (OptionsSetting.IsAskBeforeDefrag && !window.silentMode && !Confirmed(window)) {
        outcome.end = DefragEnd::NotConfirmed;
        return outcome;
    }
    if (OptionsSetting.RestorePoint && !window.silentMode &&
        HasSystemRestore(platform::GetWindowsVersionCode(system)) && !RestorePointAccepted(window)) {
        outcome.end = DefragEnd::RestorePointRefused;
        return outcome;
    }

    hive::EnableRestorePrivilege(system);
    HandOverLog log(system, window.programFolder, HandOverRecord::Command::Defrag);
    std::vector<std::pair<std::size_t, std::size_t>> ready;   // list entry, record entry
    const std::size_t count = std::min(window.hiveKeyList.size(), window.hiveFileList.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& hivePath = window.hiveKeyList[i];
        const std::string& hiveFile = window.hiveFileList[i];
        outcome.hives.push_back({hivePath, hiveFile, false, {}});
        if (ReadyForHandOver(system, hiveFile, outcome.hives.back().reason))
            ready.emplace_back(i, log.Plan(hivePath, hiveFile, hiveFile + ".kvf"));
        else
            log.LeaveOut(hivePath, hiveFile, outcome.hives.back().reason);
    }
    if (ready.empty()) {
        ShowMessage(window, NotHandedOverMessage(kNothingReplacedText, outcome.hives), ui::MsgIcon::Warning);
        outcome.end = DefragEnd::NothingReplaced;
        return outcome;
    }

    // From the first accepted call until the restart, whatever is written to the registry is
    // lost: so every notice comes before it, and nothing after it waits on the user.
    if (ready.size() < count)
        ShowMessage(window, NotHandedOverMessage(kPartlyReplacedText, outcome.hives), ui::MsgIcon::Warning);
    if (!window.silentMode)
        window.application.MessageBox(settings::LoadResString(settings::strings::RestartNotice),
                                      settings::LoadResString(settings::strings::ProductTitle), ui::MsgButtons::Ok);
    if (!log.Begin()) {
        for (const auto& [i, entry] : ready) outcome.hives[i].reason = kRecordNotWrittenReason + log.Record().path;
        ShowMessage(window, NotHandedOverMessage(kNothingReplacedText, outcome.hives), ui::MsgIcon::Warning);
        outcome.end = DefragEnd::NothingReplaced;
        return outcome;
    }
    for (const auto& [i, entry] : ready) {
        HiveHandOver& hive = outcome.hives[i];
        if (!FreshForCall(system, hive.hivePath, hive.hiveFile, hive.reason)) {
            log.Refused(entry, hive.reason);
            continue;
        }
        if (system.SavesLiveRegistry()) log.Retake(entry, hive.hiveFile + ".kvf");
        const ReplacementKey key = ReplacementKeyOf(hive.hivePath);
        const long status = system.RegReplaceKey(key.root, key.subKey, hive.hiveFile + ".kvf", hive.hiveFile + ".bak");
        hive.accepted = status == platform::status::Success;
        SettleAside(system, hive.hiveFile + ".bak", hive.accepted);
        if (!hive.accepted) {
            hive.reason = system.ErrorText(status);
            log.Refused(entry, hive.reason);
            continue;
        }
        log.Accepted(entry);
        RemoveUndoneFiles(system, hive.hiveFile);   // what an earlier Undo kept goes, as the old .bak went
    }

    // A forced restart closes every program without asking; for nothing it would only lose
    // the user's unsaved work.
    if (std::none_of(outcome.hives.begin(), outcome.hives.end(), [](const HiveHandOver& h) { return h.accepted; })) {
        ShowMessage(window, NotHandedOverMessage(kNothingReplacedText, outcome.hives), ui::MsgIcon::Warning);
        outcome.end = DefragEnd::NothingReplaced;
        return outcome;
    }
    outcome.end = RestartAfterHandOver(window.system, window.application, window.silentMode)
                      ? DefragEnd::RestartRequested
                      : DefragEnd::RestartRefused;
    return outcome;
}

}  // namespace kelvara::defrag
