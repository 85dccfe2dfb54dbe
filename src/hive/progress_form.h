// TfrmGetNewHiveProgess: the small modal window of one analysis run. It starts the scan worker
// when it is first activated, shows the hive in hand and an estimated progress bar, offers Stop,
// and closes when the worker says it is done. The caller reads the outcome from Memo1 after the
// modal loop: "Finish" there means every hive was written.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/skin_button.h"
#include "controls/skin_progress_bar.h"
#include "hive/scan_task_thread.h"
#include "platform/system.h"
#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/memo.h"
#include "ui/standard_controls.h"
#include "ui/thread.h"
#include "ui/timer.h"

namespace kelvara::hive {

// Told the bar's percentage and the hive field's text whenever the field changes (a hive begins,
// "Finish"); the Linux program prints it, having no window to show.
using ScanProgressObserver = std::function<void(const std::string& percent, const std::string& hiveText)>;

// What a run reads from the main window. The lists are copied when the run starts.
struct ScanRun {
    const std::vector<std::string>& hiveKeyList;
    const std::vector<std::string>& hiveFileList;
    bool silentMode = false;
    bool is64BitWindows = false;
    platform::System& system;
};

// Bar units added per timer tick, worked out from the speed of the first hive: the first copy's
// size over the time it took, as a share of all the hive files per second, nudged into a range
// that moves visibly without racing ahead, and halved on 64-bit Windows, where the saves are
// slower than the first one suggests. Ms = 0 (a first save faster than the clock) gives 40.
std::int64_t ComputeStep(std::int64_t firstCopySize, std::int64_t ms, std::int64_t totalSize,
                         bool is64BitWindows);

class TfrmGetNewHiveProgess : public ui::Form {
public:
    TfrmGetNewHiveProgess(ui::Form* owner, const ScanRun& run, ScanProgressObserver observer = {});
    ~TfrmGetNewHiveProgess() override;

    // ---- events and handlers
    void FormShow() override;
    void FormActivate() override;
    void FormClose(ui::CloseAction& action) override;
    void WMStartScan(const ui::Message& message);
    void WMScanProgress(const ui::Message& message);
    void Timer1Timer(ui::Component& sender);
    void bStopClick(ui::Component& sender);

    // ---- parts
    ui::TLabel& Label1() const { return Get<ui::TLabel>("Label1"); }
    controls::TSkinProgressBar& ProgressBar1() const { return Get<controls::TSkinProgressBar>("ProgressBar1"); }
    ui::TMemo& Memo1() const { return Get<ui::TMemo>("Memo1"); }
    controls::TSkinButton& bStop() const { return Get<controls::TSkinButton>("bStop"); }
    ui::TTimer& Timer1() const { return Get<ui::TTimer>("Timer1"); }

    // ---- fields
    ui::ThreadHandle ScanThread;
    bool Stopped = false;
    std::int64_t TotalSize = 0;
    std::int64_t DoneSize = 0;
    std::int64_t Step = 4;
    std::int32_t HivesDone = 0;
    std::int32_t NextMark = 0;

    // True when the user closed the window while the worker still had hives to save: the worker
    // was asked to stop and to abandon the save in hand, and nobody waits for it.
    bool Abandoned() const { return abandoned_; }

private:
    void AddLayout();
    std::int32_t HiveCount() const { return static_cast<std::int32_t>(fileList_.size()); }
    std::int64_t FileSize(const std::string& name) const;
    // The bar position for a byte count done, or by hives done when the sizes give no total.
    std::int64_t PositionOfBytes(std::int64_t bytes) const;
    void SetBar(std::int64_t position);
    void AbandonWorker();
    void ShowHiveText(const std::string& text);

    std::vector<std::string> keyList_;
    std::vector<std::string> fileList_;
    bool silentMode_;
    bool is64BitWindows_;
    platform::System& system_;
    std::shared_ptr<ScanWorkerState> workerState_;
    ScanProgressObserver observer_;
    bool started_ = false;
    bool closed_ = false;
    bool abandoned_ = false;
};

}  // namespace kelvara::hive
