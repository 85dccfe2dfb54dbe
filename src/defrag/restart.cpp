#include "defrag/restart.h"

#include "defrag/defrag_texts.h"
#include "settings/string_table.h"
#include "ui/application.h"
#include "ui/messages.h"

namespace kelvara::defrag {

void EnableShutdownPrivilege(platform::System& system) {
    system.EnablePrivilege("SeShutdownPrivilege", platform::access::TokenAdjustPrivilegesQuery);
}

bool RestartComputer(platform::System& system, bool force) {
    EnableShutdownPrivilege(system);
    if (!system.IsInteractiveSession()) return system.InitiateSystemShutdown(force, kRestartReason);
    std::uint32_t flags = platform::exitflags::Reboot;
    if (force) flags |= platform::exitflags::Force;
    return system.ExitWindowsEx(flags, kRestartReason);
}

constexpr int kRestartQuestions = 3;

bool RestartAfterHandOver(platform::System& system, ui::Application& application, bool silentMode) {
    // Asked a few times at most: a console that answers every question with its default, or a
    // Windows that will never restart, must not hold the program forever.
    for (int asked = 0; !RestartComputer(system, true); ++asked) {
        if (silentMode || asked == kRestartQuestions) return false;
        const int answer = application.MessageBox(kRestartRefusedText,
                                                  settings::LoadResString(settings::strings::ProductTitle),
                                                  ui::MsgButtons::YesNo, ui::MsgIcon::Warning);
        if (answer != ui::mrYes) return false;
    }
    return true;
}

}  // namespace kelvara::defrag
