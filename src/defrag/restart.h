// The restart that makes the replaced hives take effect: the shutdown right for the process,
// then the system's request to restart.
#pragma once

#include "platform/system.h"

namespace kelvara::ui {
class Application;
}  // namespace kelvara::ui

namespace kelvara::defrag {

// SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_MAINTENANCE, not marked as planned.
inline constexpr std::uint32_t kRestartReason = 1;

// Enables SeShutdownPrivilege on the process's token. Nothing is reported: without the right
// the restart request that follows fails, and the computer simply does not restart.
void EnableShutdownPrivilege(platform::System& system);

// Asks Windows to restart; with force the running applications are closed without being asked.
// The request only starts the restart: the program runs on until Windows ends it. False when
// Windows refused it.
//
// On the user's desktop this is ExitWindowsEx. A process outside the user's session (a service,
// a scheduled task run as SYSTEM) asks for the machine's restart instead, since there
// ExitWindowsEx may answer success and restart nothing.
bool RestartComputer(platform::System& system, bool force);

// The forced restart that ends a hand-over. Where Windows refuses and someone is at the screen,
// they hear that every registry change made before the restart will be lost, and are asked to
// restart now, as often as Windows refuses. False when no restart was requested in the end.
bool RestartAfterHandOver(platform::System& system, ui::Application& application, bool silentMode);

}  // namespace kelvara::defrag
