// The unattended modes: "/Silent" analyses, replaces the hives and restarts without a window;
// "/Scan <file>" analyses without a window and writes the four totals into an INI file. The
// command line is looked at once, at the end of the main window's first showing, and the run
// itself is a message the main window posts to itself, so it starts from the message loop.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace kelvara::app {

inline constexpr const char* kScanResultSection = "Scan Result";
// Beside it, what became of the last hand-over, where the program keeps a record of it.
inline constexpr const char* kHandOverResultSection = "Last Hand-over";

// The four totals as the main window's labels show them.
struct ScanTotals {
    std::string currentSize;      // lCurrentRegistrySize
    std::string newSize;          // lNewRegistrySize
    std::string sizeReduction;    // lSizeReduction
    std::string compactPercent;   // lCompactPercent
};

// The main window as the unattended modes use it.
class UnattendedHost {
public:
    virtual ~UnattendedHost() = default;
    virtual void SetSilentMode() = 0;
    virtual void PostToSelf(unsigned message) = 0;
    // Hides the main window and with it the program's task-bar entry.
    virtual void HideWindows() = 0;
    virtual void AnalyzeRegistry() = 0;        // as if "Analyze Registry" had been clicked
    virtual bool DefragEnabled() const = 0;    // the analysis left "Defrag Registry" enabled
    // As if "Defrag Registry" had been clicked; true when hives were handed over and the
    // restart was requested.
    virtual bool DefragRegistry() = 0;
    virtual void CloseMainWindow() = 0;
    // How the run ended: true when it did its whole job. Called once, before the window closes.
    virtual void RunEnded(bool jobDone) = 0;
    virtual ScanTotals Totals() const = 0;
    virtual platform::System& System() = 0;
    // The application's default error handler (a message box with the error's text).
    virtual void ReportError(const std::exception& error) = 0;
    // As if the Undo command had been chosen; true when every hive with a backup was handed
    // over to be put back and the restart was requested.
    virtual bool UndoDefrag() { return false; }
};

// The program's arguments, its own name first: on Windows the command line cut by the program's
// own grammar (no escape characters, unlike the C runtime's), elsewhere the arguments as given.
std::vector<std::string> ProgramArguments();

// The last step of the main window's first showing: "/Silent" or "/Scan" as the first argument
// sets SilentMode and posts the run's message.
void ExamineCommandLine(UnattendedHost& host, const std::vector<std::string>& arguments);

// WM_AUTODEFRAG: analyse; replace the hives only after an analysis that completed and passed its
// size test; close. The job is done when the hives were handed over and the restart requested.
void HandleAutoDefrag(UnattendedHost& host);

// WM_AUTOUNDO: put back every hive that has a backup, without a window or a question; close.
void HandleAutoUndo(UnattendedHost& host);

// WM_AUTOSCAN: remove the old result section, analyse, write the totals and the time, close.
// Without a path nothing is written. A result file that cannot be written is reported through
// the error handler, under the name the command line gave, and the program closes all the same:
// nobody is there to close it. The job is done when the analysis completed with usable copies
// and the result, if a file was named, was written.
void HandleAutoScan(UnattendedHost& host, const std::vector<std::string>& arguments);

// The "Time" value: the user's short date, a blank and the long time; the date alone at exactly
// midnight.
std::string ScanResultTime(platform::System& system);

// Writes the five keys of "Scan Result" in order; raises settings::WriteError at the first that
// cannot be written.
void WriteScanResult(const std::string& path, const ScanTotals& totals, const std::string& time);

// Writes the section "Last Hand-over" from the record of the last hand-over and the files as
// they are now; nothing when there is no usable record. Raises settings::WriteError.
void WriteHandOverResult(const std::string& path, platform::System& system, const std::string& programFolder);

// A result name that is not a full path lies in the Windows folder, as the system's
// private-profile functions place it (Windows build); elsewhere it is taken as given.
std::string ResolveScanResultPath(const std::string& name);

// Where the program has no windows (the Linux build), the analysis's progress as lines on
// stderr, beside its messages; elsewhere nothing (the progress window shows it).
std::function<void(const std::string& percent, const std::string& hiveText)> ScanProgressOnConsole();

class TfrmMain;

// The real main window behind UnattendedHost.
class MainWindowHost : public UnattendedHost {
public:
    MainWindowHost(TfrmMain& window, platform::System& system) : window_(window), system_(system) {}
    void SetSilentMode() override;
    void PostToSelf(unsigned message) override;
    void HideWindows() override;
    void AnalyzeRegistry() override;
    bool DefragEnabled() const override;
    bool DefragRegistry() override;
    void CloseMainWindow() override;
    void RunEnded(bool jobDone) override;
    ScanTotals Totals() const override;
    platform::System& System() override { return system_; }
    void ReportError(const std::exception& error) override;
    bool UndoDefrag() override;

private:
    TfrmMain& window_;
    platform::System& system_;
};

}  // namespace kelvara::app
