// The record of the last hand-over, kept beside options.ini: on Windows the replacement happens
// while Windows starts, where nothing of ours runs, so the next start of the program reads this
// record and the files to tell what became of it. A small INI file, rewritten whole by each
// hand-over:
//
//   [Last Hand-over]
//   Command=Defrag                       or Undo
//   Time=2026-12-08 10:31:05             local time of the hand-over
//   Reported=0                           1 once the next start has told the user
//   Hives=2
//   Hive1=1|1048576|786432|\REGISTRY\MACHINE\SYSTEM|C:\Windows\System32\config\SYSTEM
//                                        handed over|current size|new size|hive|file
//
// A missing or damaged record means there is nothing to tell; it is never an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace kelvara::defrag {

inline constexpr const char* kHandOverRecordName = "LastHandOver.ini";

struct RecordedHive {
    std::string hivePath;
    std::string hiveFile;
    bool handedOver = false;
    std::int64_t currentSize = 0;   // bytes of the hive file at the hand-over
    std::int64_t newSize = 0;       // bytes of the file handed over
};

struct HandOverRecord {
    enum class Command { Defrag, Undo };
    Command command = Command::Defrag;
    platform::LocalTime time;
    bool reported = false;
    std::vector<RecordedHive> hives;
};

// What the next start found: a hive handed over counts as replaced when the file that its
// replacement leaves behind exists (<hive file>.bak after a Defrag, .undone after an Undo): the
// hand-over deleted an older one first, and only the replacement at the start makes it anew.
// Sizes prove nothing: a hive grows once it is loaded.
struct HandOverResult {
    int handedOver = 0;
    int replaced = 0;
    std::int64_t currentTotal = 0;   // of the hives replaced, as recorded
    std::int64_t newTotal = 0;
    std::vector<std::string> notReplaced;   // registry paths of hives handed over but not replaced
};

struct HiveHandOver;

// What follows a Defrag command's hand-over, before the restart: for each hive handed over, the
// files an earlier Undo kept (<hive file>.undone and its logs) go, as the old .bak went before
// it; where Windows replaces the hives at its next start, the record is written.
void AfterHandOver(platform::System& system, const std::string& programFolder,
                   const std::vector<HiveHandOver>& hives);
// Deletes <hive file>.undone and the logs beside it, where they exist.
void RemoveUndoneFiles(platform::System& system, const std::string& hiveFile);

std::string RecordPath(const std::string& programFolder);
bool WriteHandOverRecord(const std::string& programFolder, const HandOverRecord& record);
std::optional<HandOverRecord> ReadHandOverRecord(const std::string& programFolder);
bool MarkHandOverReported(const std::string& programFolder);

HandOverResult ResultOf(platform::System& system, const HandOverRecord& record);
// "7 of 7 hives replaced, 26,524 KB -> 20,776 KB", then a line naming each hive not replaced.
std::string DescribeResult(const HandOverRecord& record, const HandOverResult& result);

}  // namespace kelvara::defrag
