// TfrmSystemPoint: the small window shown while System Restore records a restore point before
// the hives are replaced. Its worker makes the request; the bar only shows that time passes.
// OK: go on with the replacement (the point was made, or the user chose to go on without it);
// Cancel: give up (the user said No, or closed the window before the worker reported).
#pragma once

#include "defrag/create_system_point_thread.h"
#include "platform/system.h"
#include "ui/form.h"
#include "controls/skin_progress_bar.h"
#include "ui/thread.h"
#include "ui/timer.h"

namespace kelvara::ui {
class Application;
}

namespace kelvara::defrag {

// How far the bar moves at one tick from position p: quickly at first, then ever slower, and
// not at all from 100 on. From 0 it reaches 100 after 38 ticks.
int RestorePointBarStep(int position);

class TfrmSystemPoint : public ui::Form {
public:
    TfrmSystemPoint(ui::Form* owner, platform::System& system);

    void FormShow() override;
    void FormClose(ui::CloseAction& action) override;
    void Timer1Timer(ui::Component& sender);
    void WMRestorePointDone(const ui::Message& message);

    controls::TSkinProgressBar& ProgressBar1() const { return Get<controls::TSkinProgressBar>("ProgressBar1"); }
    ui::TTimer& Timer1() const { return Get<ui::TTimer>("Timer1"); }

    ui::ThreadHandle WorkerThread;
    bool ReportReceived = false;

private:
    platform::System& system_;
};

}  // namespace kelvara::defrag
