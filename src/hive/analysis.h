// The "Analyze Registry" command: refuses to start while a compacted copy is held open, runs
// the scan in its progress window, judges whether the copies are usable, and fills the hive
// list and the four totals of the main window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace kelvara::ui {
class Application;
class Control;
class Form;
class TLabel;
class TListView;
}  // namespace kelvara::ui

namespace kelvara::hive {

// The pieces of the main window the command reads and writes.
struct AnalysisWindow {
    ui::Form& owner;                                // owner of the progress window
    const std::vector<std::string>& hiveKeyList;
    const std::vector<std::string>& hiveFileList;
    ui::TListView& lvMain;                          // row i: hive i; columns 1..3 the sizes
    ui::TLabel& lCurrentRegistrySize;
    ui::TLabel& lNewRegistrySize;
    ui::TLabel& lSizeReduction;
    ui::TLabel& lCompactPercent;
    ui::Control& bDefragRegistry;                   // enabled exactly after a usable run
    bool silentMode;
    bool is64BitWindows;
    platform::System& system;
    ui::Application& application;                   // for the message boxes
};

// bAnalyzeRegistryClick's body. The observer, when given, follows the run's progress.
void AnalyzeRegistry(const AnalysisWindow& window,
                     const std::function<void(const std::string& percent, const std::string& hiveText)>& observer = {});

// ---- the figures, for the command and its tests

// Whole percent by which a copy is smaller than its hive file, truncated: "12%"; "0%" when the
// copy is larger or there is no current size to compare with.
std::string ReductionText(std::int64_t current, std::int64_t copy);

// The copies' gain as a percentage of the current total, as single precision, as shown and as
// judged for the advice. Only for newTotal <= currentTotal.
float CompactPercent(std::int64_t currentTotal, std::int64_t newTotal);

// One decimal ("0.0" pattern) with the given decimal separator, the next digit 5 rounding away
// from zero, then "%": 12.25 gives "12.3%".
std::string FormatCompactPercent(float percent, char decimalSeparator);

}  // namespace kelvara::hive
