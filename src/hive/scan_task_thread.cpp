#include "hive/scan_task_thread.h"

#include "hive/builtin_strings.h"
#include "hive/snapshot.h"
#include "ui/messages.h"

namespace kelvara::hive {
namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(int year, int month, int day) {
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::int64_t MillisecondsOf(const platform::LocalTime& t) {
    const std::int64_t seconds = DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 +
                                 t.minute * 60 + t.second;
    return seconds * 1000 + t.milliseconds;
}

}  // namespace

std::int64_t MillisecondsBetween(const platform::LocalTime& from, const platform::LocalTime& to) {
    return MillisecondsOf(to) - MillisecondsOf(from);
}

TScanTaskThread::TScanTaskThread(platform::System& system, bool is64BitWindows, ui::FormHandle notifyWindow,
                                 std::shared_ptr<ScanWorkerState> state)
    : NotifyWindow(std::move(notifyWindow)),
      system_(system),
      is64BitWindows_(is64BitWindows),
      state_(std::move(state)) {}

void TScanTaskThread::ShowHive(const std::string& text) { NotifyWindow.PostText(WM_SCANHIVETEXT, text); }

void TScanTaskThread::Execute() {
    EnableBackupPrivilege(system_);

    std::int64_t firstMs = 0;
    std::size_t done = 0;
    for (std::size_t i = 0; i < KeyList.size(); ++i) {
        // Stop is looked at between hives only: a save in progress always completes.
        if (Terminated()) break;
        ShowHive(KeyList[i]);
        const platform::LocalTime started = i == 0 ? system_.GetLocalTime() : platform::LocalTime{};
        SaveHiveCopy(system_, KeyList[i], FileList[i] + ".kvf", is64BitWindows_);
        if (i == 0) firstMs = MillisecondsBetween(started, system_.GetLocalTime());
        const auto lowBits = static_cast<std::uint32_t>(static_cast<std::uint64_t>(firstMs));
        NotifyWindow.Post(WM_SCANPROGRESS, lowBits, static_cast<std::intptr_t>(i + 1));
        done = i + 1;
    }
    if (done >= KeyList.size()) ShowHive(kFinishText);

    state_->finishing = true;
    NotifyWindow.Post(ui::WmClose, 0, 0);
}

}  // namespace kelvara::hive
