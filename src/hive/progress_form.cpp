#include "hive/progress_form.h"

#include <algorithm>
#include <limits>

#include "common/ascii_text.h"
#include "controls/skin_fit.h"
#include "settings/form_translation.h"
#include "hive/builtin_strings.h"
#include "hive/snapshot.h"
#include "settings/options_setting.h"
#include "ui/containers.h"
#include "ui/form_table.h"
#include "ui/widget_set.h"

namespace kelvara::hive {
namespace {

constexpr int kBarMax = 1000;

const ui::ComponentSpec kLayout[] = {
    {ui::Kind<ui::TGroupBox>, "GroupBox1", {8, 6, 378, 126}},
    {ui::Kind<ui::TLabel>, "Label1", {16, 18, 340, 13}, "Analyzing registry. Please wait.", "", 0, "GroupBox1"},
    {ui::Kind<controls::TSkinProgressBar>, "ProgressBar1", {16, 40, 346, 20}, "", "", 0, "GroupBox1"},
    {ui::Kind<ui::TLabel>, "Label2", {16, 74, 52, 13}, "Checking: ", "", 0, "GroupBox1"},
    {ui::Kind<ui::TMemo>, "Memo1", {72, 74, 290, 34}, "Registry Key", "", ui::kReadOnly | ui::kNoBorder | ui::kNoTabStop, "GroupBox1"},
    // Escape stops the run as the button does: the hive in hand is still finished.
    {ui::Kind<controls::TSkinButton>, "bStop", {306, 144, 80, 27}, "Stop", "", ui::kCancel},
    {ui::Kind<ui::TTimer>, "Timer1", {}, "", "", ui::kTimerDisabled},
};

std::int64_t Clamp(std::int64_t value, std::int64_t low, std::int64_t high) {
    return std::min(std::max(value, low), high);
}

}  // namespace

std::int64_t ComputeStep(std::int64_t firstCopySize, std::int64_t ms, std::int64_t totalSize,
                         bool is64BitWindows) {
    std::int64_t step;
    std::int64_t divisor = 0;
    const bool measurable = ms != 0 && totalSize != 0 && !__builtin_mul_overflow(ms, totalSize, &divisor);
    std::int64_t dividend = 0;
    if (ms == 0 || totalSize == 0) {
        // Too fast to time, or nothing to measure against: a brisk fixed pace.
        step = 40;
    } else {
        if (!measurable || __builtin_mul_overflow(firstCopySize, std::int64_t{1000000}, &dividend))
            step = 0;   // figures beyond any real hive: the slowest pace
        else
            step = dividend / divisor;
        if (step < 10)
            step = step + 10;
        else if (step < 30)
            step = 2 * step - 10;
        if (step > 50) step = 50;
    }
    if (is64BitWindows) {
        step = step / 2 - 3;
        if (step < 0) step = 1;
    }
    return step;
}

TfrmGetNewHiveProgess::TfrmGetNewHiveProgess(ui::Form* owner, const ScanRun& run, ScanProgressObserver observer)
    : ui::Form(owner),
      keyList_(run.hiveKeyList),
      fileList_(run.hiveFileList),
      silentMode_(run.silentMode),
      is64BitWindows_(run.is64BitWindows),
      system_(run.system),
      workerState_(std::make_shared<ScanWorkerState>()),
      observer_(std::move(observer)) {
    // Entry i of both lists is one hive; a list longer than the other has nothing to pair with.
    const std::size_t hives = std::min(keyList_.size(), fileList_.size());
    keyList_.resize(hives);
    fileList_.resize(hives);
    AddLayout();
}

TfrmGetNewHiveProgess::~TfrmGetNewHiveProgess() {
    // A window released without closing (the program ending under it) still lets go of its worker.
    if (!abandoned_ && !workerState_->finishing && ScanThread.Running()) AbandonWorker();
}

void TfrmGetNewHiveProgess::AddLayout() {
    SetName("frmGetNewHiveProgess");
    SetCaption("Defrag Registry");
    SetBorderStyle(ui::BorderStyle::Dialog);
    SetPosition(ui::FormPosition::OwnerFormCenter);
    SetClientSize(394, 181);
    AddComponents(kLayout);

    ProgressBar1().SetRange(0, kBarMax);
    ProgressBar1().SetShowPercent(true);
    Timer1().SetInterval(1000);
    bStop().OnClick = [this](ui::Component& sender) { bStopClick(sender); };
    Timer1().OnTimer = [this](ui::Component& sender) { Timer1Timer(sender); };
    OnMessage(WM_STARTSCAN, [this](const ui::Message& m) { WMStartScan(m); });
    OnMessage(WM_SCANPROGRESS, [this](const ui::Message& m) { WMScanProgress(m); });
    OnMessage(WM_SCANHIVETEXT, [this](const ui::Message& m) { ShowHiveText(m.text); });
}

std::int64_t TfrmGetNewHiveProgess::FileSize(const std::string& name) const {
    return QueryFileSize(system_, name);
}

// With no sizes to go by (every hive file missing or empty) the bar counts hives instead.
std::int64_t TfrmGetNewHiveProgess::PositionOfBytes(std::int64_t bytes) const {
    return bytes * kBarMax / TotalSize;
}

void TfrmGetNewHiveProgess::ShowHiveText(const std::string& text) {
    Memo1().SetText(text);
    if (observer_) observer_(ProgressBar1().PercentText(), text);
}

void TfrmGetNewHiveProgess::SetBar(std::int64_t position) {
    ProgressBar1().SetPosition(static_cast<int>(Clamp(position, 0, kBarMax)));
}

// ---- showing

void TfrmGetNewHiveProgess::FormShow() {
    ProgressBar1().SetPosition(0);
    DoneSize = 0;
    HivesDone = 0;
    Step = 4;
    NextMark = 0;
    Stopped = false;
    if (!common::AsciiEqualNoCase(settings::OptionsSetting.Lan, "English"))
        settings::TranslateForm(*this, settings::OptionsSetting.Lan);
    controls::FitCaptions(*this);   // after the translation, so a translated text fits too
}

// The run starts from the message, once the showing and activation are over.
void TfrmGetNewHiveProgess::FormActivate() { Post(WM_STARTSCAN, 0, 0); }

void TfrmGetNewHiveProgess::WMStartScan(const ui::Message&) {
    // The window is activated again after a message box or a switch of applications; two
    // workers writing the same copies must never run.
    if (started_ || closed_) return;
    started_ = true;

    if (silentMode_) Hide();

    // A run abandoned earlier may have left the platform refusing saves.
    system_.ResetCancel();
    auto* worker = new TScanTaskThread(system_, is64BitWindows_, Handle(), workerState_);
    worker->KeyList = keyList_;
    worker->FileList = fileList_;
    worker->SetFreeOnTerminate(true);
    ScanThread = worker->Handle();
    worker->Start();

    // The reports are queued for this thread, so none is handled before the total is known.
    TotalSize = 0;
    for (const std::string& file : fileList_) TotalSize += FileSize(file);
    if (TotalSize <= 0 && HiveCount() > 0) NextMark = kBarMax / HiveCount();

    Timer1().SetEnabled(true);
}

// ---- the worker's reports

void TfrmGetNewHiveProgess::WMScanProgress(const ui::Message& message) {
    const std::int32_t count = HiveCount();
    if (HivesDone >= count) return;

    if (HivesDone == 0) {
        // The first parameter carries the low 32 bits of a signed count.
        const auto ms = static_cast<std::int32_t>(static_cast<std::uint32_t>(message.wParam));
        Step = ComputeStep(FileSize(fileList_[0] + ".kvf"), ms, TotalSize, is64BitWindows_);
    }

    DoneSize += FileSize(fileList_[HivesDone]);
    if (TotalSize > 0) {
        SetBar(PositionOfBytes(DoneSize));
        if (HivesDone < count - 1)
            NextMark = static_cast<std::int32_t>(
                Clamp(PositionOfBytes(DoneSize + FileSize(fileList_[HivesDone + 1])), 0, kBarMax));
    } else {
        SetBar(std::int64_t{HivesDone + 1} * kBarMax / count);
        if (HivesDone < count - 1) NextMark = (HivesDone + 2) * kBarMax / count;
    }
    HivesDone = static_cast<std::int32_t>(message.lParam);
}

// ---- the creeping bar

void TfrmGetNewHiveProgess::Timer1Timer(ui::Component&) {
    if (HivesDone >= HiveCount()) return;

    // The copy in hand grows while it is written (or is the previous run's, until the worker
    // deletes it); its directory entry tells how far the save has got.
    const std::int64_t copySize = FileSize(fileList_[HivesDone] + ".kvf");
    std::int64_t position = ProgressBar1().Position();
    if (copySize != 0 && TotalSize > 0) {
        position = PositionOfBytes(DoneSize + copySize);
    } else {
        if (NextMark == 0 && HivesDone == 0) position += Step;
        if (position < NextMark - Step) position += Step;
    }
    SetBar(position);
    if (ProgressBar1().Position() >= kBarMax) Timer1().SetEnabled(false);
}

// ---- Stop and closing

void TfrmGetNewHiveProgess::bStopClick(ui::Component&) {
    Stopped = true;
    Label1().SetCaption(kStopProcessText);
    Timer1().SetEnabled(false);
    ScanThread.Terminate();
    bStop().SetEnabled(false);
}

void TfrmGetNewHiveProgess::FormClose(ui::CloseAction&) {
    // A start still queued behind the close must not begin a run nobody watches.
    closed_ = true;
    // The worker's own close comes after its last save; any other close while it still works
    // is the user's, and the run is over for them at once.
    if (!workerState_->finishing && ScanThread.Running()) AbandonWorker();
    if (Timer1().Enabled()) Timer1().SetEnabled(false);
}

// Ending the thread by force could leave a half-written copy and the registry's locks behind;
// instead it is asked to stop and to give up its save. Where the platform can interrupt a save,
// the window waits for the worker (it ends within moments) and lets the platform take saves
// again, so no later run can meet it. Where it cannot (Win32), the worker is left to finish the
// hive in hand by itself; the registry holds that copy open meanwhile, which the next run's
// copy-in-use test sees. Its reports after this are dropped, since the window is released.
void TfrmGetNewHiveProgess::AbandonWorker() {
    abandoned_ = true;
    ScanThread.Terminate();
    if (!system_.CanCancelSaves()) return;
    system_.CancelSaves();
    ScanThread.WaitFor();
    system_.ResetCancel();
}

}  // namespace kelvara::hive
