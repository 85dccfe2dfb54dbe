#include "defrag/hand_over.h"

#include "defrag/set_aside.h"

#include <algorithm>

#include "common/size_format.h"
#include "hive/snapshot.h"

namespace kelvara::defrag {
namespace {

using State = RecordedHive::State;

// The file a replacement leaves beside the hive: the old file, at the name the call was given.
std::string LeftBehind(const HandOverRecord& record, const std::string& hiveFile) {
    return hiveFile + (record.command == HandOverRecord::Command::Defrag ? ".bak" : ".undone");
}

// A call was made, or may have been when the run stopped in the loop.
bool CallMade(const RecordedHive& hive) { return hive.state != State::LeftOut; }

std::int64_t Size(platform::System& system, const std::string& file) {
    const std::int64_t size = hive::QueryFileSize(system, file);
    return size < 0 ? 0 : size;
}

}  // namespace

HandOverLog::HandOverLog(platform::System& system, const std::string& programFolder, HandOverRecord::Command command)
    : system_(system) {
    record_.command = command;
    record_.timeUtc = system.UtcNow();
    record_.timeKnown = true;
    // Where nothing runs on the hives, each call completes its replacement before it returns.
    record_.complete = system.ReplacesAtOnceWithLogs();
    record_.path = RecordPath(system, programFolder);
}

std::size_t HandOverLog::Plan(const std::string& hivePath, const std::string& hiveFile, const std::string& handedFile) {
    RecordedHive hive{hivePath, hiveFile, State::Planned, Size(system_, hiveFile), Size(system_, handedFile), 0, {}};
    if (!system_.FileIdentity(handedFile, hive.identity)) hive.identity = 0;
    record_.hives.push_back(std::move(hive));
    return record_.hives.size() - 1;
}

void HandOverLog::LeaveOut(const std::string& hivePath, const std::string& hiveFile, const std::string& reason) {
    record_.hives.push_back({hivePath, hiveFile, State::LeftOut, Size(system_, hiveFile), 0, 0, reason});
}

void HandOverLog::Retake(std::size_t index, const std::string& handedFile) {
    RecordedHive& hive = record_.hives.at(index);
    hive.newSize = Size(system_, handedFile);
    if (!system_.FileIdentity(handedFile, hive.identity)) hive.identity = 0;
    Write();
}

bool HandOverLog::Begin() { return WriteHandOverRecord(record_); }

void HandOverLog::Accepted(std::size_t index) {
    record_.hives.at(index).state = State::Accepted;
    Write();
}

void HandOverLog::Refused(std::size_t index, const std::string& reason) {
    record_.hives.at(index).state = State::Refused;
    record_.hives.at(index).reason = reason;
    Write();
}

// A record that cannot be updated still says "planned" for the hive, which the next start
// settles by the file at the hive's name: nothing is told wrong.
void HandOverLog::Write() { WriteHandOverRecord(record_); }

bool HandOverWaiting(platform::System& system, const HandOverRecord& record) {
    if (record.complete) return false;
    if (std::none_of(record.hives.begin(), record.hives.end(),
                     [](const RecordedHive& h) { return h.state == State::Accepted || h.state == State::Planned; }))
        return false;
    std::int64_t started = 0;
    if (record.timeKnown && system.SystemStartTime(started) && record.timeUtc >= started) return true;
    // The old hive is the running system's file until the restart, and the system holds it.
    for (const RecordedHive& hive : record.hives) {
        if (hive.state != State::Accepted && hive.state != State::Planned) continue;
        const std::string old = LeftBehind(record, hive.hiveFile);
        if (system.FileExists(old) && hive::IsFileLocked(system, old)) return true;
    }
    return false;
}

std::optional<HandOverRecord> WaitingHandOver(platform::System& system, const std::string& programFolder) {
    auto record = ReadHandOverRecord(system, programFolder);
    if (record && HandOverWaiting(system, *record)) return record;
    return std::nullopt;
}

bool HiveReplaced(platform::System& system, const RecordedHive& hive) {
    if (hive.identity == 0) return false;
    std::uint64_t now = 0;
    return system.FileIdentity(hive.hiveFile, now) && now == hive.identity;
}

HandOverResult ResultOf(platform::System& system, const HandOverRecord& record) {
    HandOverResult result;
    result.waiting = HandOverWaiting(system, record);
    for (const RecordedHive& hive : record.hives) {
        if (!CallMade(hive)) {
            result.leftOut.push_back(hive.hivePath + ": " + hive.reason);
            continue;
        }
        ++result.handedOver;
        // The older builds recorded no identity: the file left behind was all they knew.
        const bool replaced = hive.identity != 0 ? HiveReplaced(system, hive)
                                                 : hive.state == State::Accepted &&
                                                       system.FileExists(LeftBehind(record, hive.hiveFile));
        if (replaced) {
            ++result.replaced;
            result.currentTotal += hive.currentSize;
            result.newTotal += hive.newSize;
            continue;
        }
        std::string why;
        switch (hive.state) {
        case State::Refused: why = "the registry refused it: " + hive.reason; break;
        case State::Planned: why = "the hand-over stopped before its turn ended"; break;
        default: why = "the file at its name is not the one handed over"; break;
        }
        result.notReplaced.push_back(hive.hivePath);
        result.notReplacedWhy.push_back(hive.hivePath + ": " + (hive.identity != 0 ? why : std::string("not replaced")));
    }
    return result;
}

std::string DescribeResult(const HandOverRecord& record, const HandOverResult& result) {
    const bool undo = record.command == HandOverRecord::Command::Undo;
    std::string text = std::to_string(result.replaced) + " of " + std::to_string(result.handedOver) +
                       (result.handedOver == 1 ? " hive " : " hives ") + (undo ? "put back" : "replaced");
    if (result.replaced > 0)
        text += ", " + common::FormatSizeKB(result.currentTotal) + " -> " + common::FormatSizeKB(result.newTotal);
    for (const std::string& hive : result.notReplacedWhy) text += "\n" + hive;
    if (!result.leftOut.empty()) text += undo ? "\nNot handed over:" : "\nLeft out of the hand-over:";
    for (const std::string& hive : result.leftOut) text += "\n" + hive;
    return text;
}

bool MarkHandOverReported(HandOverRecord record) {
    record.reported = true;
    return WriteHandOverRecord(record);
}

std::vector<RecordedHive> ReplacedByLastDefrag(platform::System& system, const std::string& programFolder) {
    const auto record = ReadHandOverRecord(system, programFolder);
    if (!record || record->command != HandOverRecord::Command::Defrag) return {};
    std::vector<RecordedHive> replaced;
    for (const RecordedHive& hive : record->hives)
        if (CallMade(hive) && HiveReplaced(system, hive)) replaced.push_back(hive);
    return replaced;
}

void RemoveUndoneFiles(platform::System& system, const std::string& hiveFile) {
    DeleteWithLogs(system, hiveFile + ".undone");
}

}  // namespace kelvara::defrag
