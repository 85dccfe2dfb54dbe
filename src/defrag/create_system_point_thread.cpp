#include "defrag/create_system_point_thread.h"

#include "defrag/defrag_texts.h"

namespace kelvara::defrag {

platform::RestorePointRequest MakeRestorePointRequest() {
    platform::RestorePointRequest request;
    request.eventType = 100;        // BEGIN_SYSTEM_CHANGE; no END_SYSTEM_CHANGE follows
    request.restorePointType = 0;   // APPLICATION_INSTALL
    request.sequenceNumber = 0;
    request.description = kRestorePointDescription;
    return request;
}

// Every way of not getting a restore point is reported as a failure: a missing SrClient.dll,
// a missing entry point and an error raised by the call included. Otherwise the window would
// wait for a report that never comes, and the user could only give up the whole command.
void TCreateSystemPointThread::Execute() {
    std::intptr_t outcome = kRestorePointFailed;
    try {
        if (system_.SetRestorePoint(MakeRestorePointRequest()) == platform::RestorePointOutcome::Created)
            outcome = kRestorePointCreated;
    } catch (...) {
        outcome = kRestorePointFailed;
    }
    NotifyWindow.Post(WM_RESTOREPOINTDONE, 0, outcome);
}

}  // namespace kelvara::defrag
