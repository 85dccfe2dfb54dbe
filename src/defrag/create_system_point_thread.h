// TCreateSystemPointThread: asks System Restore for a restore point on a thread of its own, so
// the window stays alive while Windows takes its time, and reports the outcome to that window
// with one posted message. It frees itself when done.
#pragma once

#include "platform/system.h"
#include "ui/form_handle.h"
#include "ui/thread.h"

namespace kelvara::defrag {

// Worker to window: first parameter 0; second 0 = the restore point was created, 1 = it was not.
inline constexpr unsigned WM_RESTOREPOINTDONE = 0x6605;
inline constexpr std::intptr_t kRestorePointCreated = 0;
inline constexpr std::intptr_t kRestorePointFailed = 1;

// The request: the start of a change made by an application install, under the program's
// description.
platform::RestorePointRequest MakeRestorePointRequest();

class TCreateSystemPointThread : public ui::Thread {
public:
    // Made suspended; the window sets NotifyWindow and starts it.
    explicit TCreateSystemPointThread(platform::System& system) : system_(system) {}

    // Receives WM_RESTOREPOINTDONE. A window that is gone by then drops the report.
    ui::FormHandle NotifyWindow;

protected:
    void Execute() override;

private:
    platform::System& system_;
};

}  // namespace kelvara::defrag
