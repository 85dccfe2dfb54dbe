// TScanTaskThread: the worker of one analysis run. It writes the compacted copy of every hive,
// one after the other, and reports to the progress window only by posting to it, so it never
// touches a window that may already be gone.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/system.h"
#include "ui/form_handle.h"
#include "ui/thread.h"

namespace kelvara::hive {

// The progress window's messages (the numbers are the program's own).
inline constexpr unsigned WM_STARTSCAN = 0x6602;
// First parameter: the milliseconds the first hive took (low 32 bits); second: hives done.
inline constexpr unsigned WM_SCANPROGRESS = 0x6603;
// The text for the window's hive field (Memo1), carried in the message's text. Posted like the
// other reports so the window sees the texts and the reports in the order they were made.
inline constexpr unsigned WM_SCANHIVETEXT = 0x6610;

// What the worker and its window share: a flag the worker raises once it has no save left to
// do, just before it asks the window to close. The window looks at it when it closes, to tell
// the worker's own close from the user's.
struct ScanWorkerState {
    std::atomic<bool> finishing{false};
};

// Whole milliseconds between two readings of the local clock.
std::int64_t MillisecondsBetween(const platform::LocalTime& from, const platform::LocalTime& to);

class TScanTaskThread : public ui::Thread {
public:
    // Made suspended; the window fills KeyList and FileList, then starts it.
    TScanTaskThread(platform::System& system, bool is64BitWindows, ui::FormHandle notifyWindow,
                    std::shared_ptr<ScanWorkerState> state);

    ui::FormHandle NotifyWindow;            // receives the reports and WM_CLOSE
    std::vector<std::string> KeyList;       // the worker's own copy of HiveKeyList
    std::vector<std::string> FileList;      // the worker's own copy of HiveFileList

protected:
    void Execute() override;

private:
    void ShowHive(const std::string& text);

    platform::System& system_;
    const bool is64BitWindows_;
    std::shared_ptr<ScanWorkerState> state_;
};

}  // namespace kelvara::hive
