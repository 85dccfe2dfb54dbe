// The record of the last hand-over: which hives a Defrag or an Undo handed to the replace call,
// what each was, and what identifies the file each was given. It lives with the installation, in
// a folder of ours in the common application data (C:\ProgramData\Varnel Kelvara from Vista on),
// so that a copy of the program started from another folder, and the Linux build on the mounted
// disk, find the same one. A record the older builds left beside the program is still read.
//
// A small INI file, written whole before the first replace call and again after each:
//
//   [Last Hand-over]
//   Command=Defrag                       or Undo
//   Time=2026-12-08 10:31:05             UTC, when the hand-over began
//   Clock=UTC
//   Complete=0                           1 where the replacement is complete when the call
//                                        returns (an installation in a folder)
//   Reported=0                           1 once a start of the program has told the user
//   Hives=2
//   Hive1=accepted|1048576|786432|4711|\REGISTRY\MACHINE\SYSTEM|C:\Windows\System32\config\SYSTEM|
//         state|current size|new size|identity of the file handed over|hive|file|reason
//
// The state of a hive is "planned" until its call returns, then "accepted" or "refused"; a hive
// left out of the hand-over (its copy failed its check) is "left out". A run killed in the loop
// thus leaves a record that is true about every hive. A missing or damaged record means there is
// nothing to tell; it is never an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace kelvara::defrag {

inline constexpr const char* kHandOverRecordName = "LastHandOver.ini";
inline constexpr const char* kRecordFolderName = "Varnel Kelvara";

struct RecordedHive {
    enum class State { Planned, Accepted, Refused, LeftOut };
    std::string hivePath;
    std::string hiveFile;
    State state = State::Planned;
    std::int64_t currentSize = 0;   // bytes of the hive file before the call
    std::int64_t newSize = 0;       // bytes of the file handed over
    std::uint64_t identity = 0;     // System::FileIdentity of the file handed over; 0 unknown
    std::string reason;             // why refused or left out
};

struct HandOverRecord {
    enum class Command { Defrag, Undo };
    Command command = Command::Defrag;
    std::int64_t timeUtc = 0;       // seconds since 1970 UTC
    bool timeKnown = true;          // false for a record of the older builds (local time)
    bool complete = false;          // the calls themselves completed the replacement
    bool reported = false;
    std::vector<RecordedHive> hives;
    std::string path;               // where it was read from, or is to be written
};

// Where a hand-over's record is written: the folder of ours in the system's common application
// data, or beside the program where the system names no such folder.
std::string RecordPath(platform::System& system, const std::string& programFolder);
// The record of the last hand-over: the one with the installation, else one beside the program.
std::optional<HandOverRecord> ReadHandOverRecord(platform::System& system, const std::string& programFolder);
// Writes the record to record.path, creating its folder; false when it could not be written.
bool WriteHandOverRecord(const HandOverRecord& record);

// The text forms, for the record and for the /Scan result file.
std::string FormatUtcTime(std::int64_t utcSeconds);
std::optional<std::int64_t> ParseUtcTime(const std::string& text);
// A recorded time in the user's own calendar, at the system's offset from UTC now.
platform::LocalTime LocalTimeOf(platform::System& system, std::int64_t utcSeconds);
// The record's time in the user's calendar; a record of the older builds kept local time already.
platform::LocalTime RecordedLocalTime(platform::System& system, const HandOverRecord& record);

}  // namespace kelvara::defrag
