#include "hive/analysis.h"

#include <cmath>
#include <cstdlib>

#include "common/ascii_text.h"
#include "common/size_format.h"
#include "hive/builtin_strings.h"
#include "settings/language_file.h"
#include "hive/progress_form.h"
#include "hive/snapshot.h"
#include "ui/application.h"
#include "ui/list_view.h"
#include "ui/standard_controls.h"

namespace kelvara::hive {
namespace {

constexpr int kCurrentSizeColumn = 1;
constexpr int kNewSizeColumn = 2;
constexpr int kReductionColumn = 3;

// Below this compaction the user is told that compacting now gains little.
constexpr float kLowFragmentRate = 3.0f;

std::string CopyOf(const std::string& hiveFile) { return hiveFile + ".kvf"; }

void ShowMessage(const AnalysisWindow& window, const std::string& text) {
    window.application.MessageBox(text, kProductTitle, ui::MsgButtons::Ok);
}

bool AnyCopyLocked(const AnalysisWindow& window) {
    for (const std::string& file : window.hiveFileList)
        if (IsFileLocked(window.system, CopyOf(file))) return true;
    return false;
}

// Runs the scan in its modal window; true when the worker wrote every hive. The window is
// released at once: nothing else of it is needed, and a report still on its way is dropped.
bool RunScan(const AnalysisWindow& window, const ScanProgressObserver& observer) {
    const ScanRun run{window.hiveKeyList, window.hiveFileList, window.silentMode, window.is64BitWindows,
                      window.system};
    auto progress = ui::CreateForm<TfrmGetNewHiveProgess>(&window.owner, run, observer);
    progress->ShowModal();
    return progress->Memo1().Text() == kFinishText;
}

// A SOFTWARE copy under a quarter of its hive means the save lost most of the hive (the 32-bit
// view saved instead of the real one, or a save cut short): such copies must never replace
// hives.
bool SoftwareCopiesPlausible(const AnalysisWindow& window) {
    for (const std::string& file : window.hiveFileList) {
        if (common::AsciiUpperCase(file).find("SOFTWARE") == std::string::npos) continue;
        const std::int64_t current = QueryFileSize(window.system, file);
        const std::int64_t copy = QueryFileSize(window.system, CopyOf(file));
        if (current / 4 > copy) return false;
    }
    return true;
}

void ShowFigures(const AnalysisWindow& window) {
    std::int64_t currentTotal = 0;
    std::int64_t newTotal = 0;
    const int rows = std::min<int>(static_cast<int>(window.hiveFileList.size()), window.lvMain.ItemCount());
    for (int i = 0; i < static_cast<int>(window.hiveFileList.size()); ++i) {
        const std::string& file = window.hiveFileList[static_cast<std::size_t>(i)];
        const std::int64_t current = QueryFileSize(window.system, file);
        const std::int64_t copy = QueryFileSize(window.system, CopyOf(file));
        // A hive without a copy (its save failed) gains nothing: it counts at its current size
        // on both sides, and its row claims no new size.
        const bool copyMissing = copy == 0;
        currentTotal += current;
        newTotal += copyMissing ? current : copy;
        if (i >= rows) continue;
        window.lvMain.SetItemText(i, kCurrentSizeColumn, common::FormatSizeKB(current));
        window.lvMain.SetItemText(i, kNewSizeColumn, copyMissing ? "" : common::FormatSizeKB(copy));
        window.lvMain.SetItemText(i, kReductionColumn, copyMissing ? "" : ReductionText(current, copy));
    }

    window.lCurrentRegistrySize.SetCaption(common::FormatSizeKB(currentTotal));
    window.lNewRegistrySize.SetCaption(common::FormatSizeKB(newTotal));
    if (newTotal > currentTotal) {
        window.lSizeReduction.SetCaption("0 KB");
        window.lCompactPercent.SetCaption("0%");
        return;
    }
    window.lSizeReduction.SetCaption(common::FormatSizeKB(currentTotal - newTotal));

    const float percent = CompactPercent(currentTotal, newTotal);
    window.lCompactPercent.SetCaption(FormatCompactPercent(percent, window.system.DecimalSeparator()));
    if (percent < kLowFragmentRate && !window.silentMode)
        ShowMessage(window, std::string(kLowFragmentRateText) + " " + window.lCompactPercent.Caption() + ". " +
                                kLowFragmentAdviceText);
}

}  // namespace

std::string ReductionText(std::int64_t current, std::int64_t copy) {
    if (copy > current || current == 0) return "0%";
    return std::to_string((current - copy) * 100 / current) + "%";
}

float CompactPercent(std::int64_t currentTotal, std::int64_t newTotal) {
    if (currentTotal == 0) return 0.0f;
    const std::int64_t hundredfold = (currentTotal - newTotal) * 100;
    return static_cast<float>(static_cast<double>(hundredfold) / static_cast<double>(currentTotal));
}

std::string FormatCompactPercent(float percent, char decimalSeparator) {
    // Ten times a single-precision value is exact in double precision, so the rounding sees the
    // stored value itself; std::round takes halves away from zero.
    const double tenths = std::round(static_cast<double>(percent) * 10.0);
    const bool negative = tenths < 0;
    const long long magnitude = std::llabs(static_cast<long long>(tenths));
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 10);
    text += decimalSeparator;
    text += std::to_string(magnitude % 10);
    return text + "%";
}

void AnalyzeRegistry(const AnalysisWindow& window, const ScanProgressObserver& observer) {
    if (window.hiveKeyList.empty()) return;

    // A copy held open (handed over for replacement, or still being written by an earlier run)
    // cannot be written again.
    if (AnyCopyLocked(window)) {
        ShowMessage(window, kCannotAnalyzeNowText);
        return;
    }

    const bool completed = RunScan(window, observer);

    if (completed && !SoftwareCopiesPlausible(window)) {
        ShowMessage(window, settings::LoadLanguageString(kAnalyzeNoSuccessId, kAnalyzeNoSuccessText));
        window.bDefragRegistry.SetEnabled(false);
        return;
    }

    window.bDefragRegistry.SetEnabled(completed);
    if (!completed) return;
    ShowFigures(window);
}

}  // namespace kelvara::hive
