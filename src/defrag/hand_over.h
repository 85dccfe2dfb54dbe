// The hand-over: what the Defrag and Undo commands give the replace call, and what became of it.
// Every command asks here instead of looking at files of its own: whether a hand-over is waiting
// for Windows to restart, which hives the last Defrag changed, and what the next start finds.
//
// The replace call renames at once (see System::RegReplaceKey): from its return the hive's name
// holds the file handed over, and the running system goes on in the file at the backup's name
// until it restarts. So neither a .bak nor a held file proves that a restart took place; the
// record's time set against the system's last start does, and the file identity recorded for
// the file handed over tells, afterwards, whether it is the one at the hive's name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "defrag/hand_over_record.h"
#include "platform/system.h"

namespace kelvara::defrag {

// The record of a hand-over as it happens: written before the first replace call, so that a run
// killed in the loop leaves a record that is true about every hive, and again after each call.
class HandOverLog {
public:
    HandOverLog(platform::System& system, const std::string& programFolder, HandOverRecord::Command command);

    // A hive to be handed over with `handedFile` in its place; its sizes and the file's identity
    // are taken now, before the call renames anything. Answers the hive's index.
    std::size_t Plan(const std::string& hivePath, const std::string& hiveFile, const std::string& handedFile);
    // A hive that is not handed over, with the reason, for the next start to name.
    void LeaveOut(const std::string& hivePath, const std::string& hiveFile, const std::string& reason);
    // The file handed over for hive `index` was written anew (a copy saved again right before its
    // call): its size and identity are taken again, and the record written, before the call.
    void Retake(std::size_t index, const std::string& handedFile);
    // Writes the record with every hive planned. False when it cannot be written: nothing may be
    // handed over then, since the next start could not tell what happened.
    bool Begin();
    // The call for hive `index` returned.
    void Accepted(std::size_t index);
    void Refused(std::size_t index, const std::string& reason);

    const HandOverRecord& Record() const { return record_; }

private:
    void Write();

    platform::System& system_;
    HandOverRecord record_;
};

// True when the record's hand-over has not been carried out yet: it was recorded after the
// running system last started, or the running system still holds a file it left behind.
bool HandOverWaiting(platform::System& system, const HandOverRecord& record);
// The record of the last hand-over when it is waiting for Windows to restart.
std::optional<HandOverRecord> WaitingHandOver(platform::System& system, const std::string& programFolder);

// What a start after the hand-over finds.
struct HandOverResult {
    bool waiting = false;    // no restart yet: nothing can be told
    int handedOver = 0;      // hives whose call was made (accepted, or in the loop when it stopped)
    int replaced = 0;        // of those, hives whose name now holds the file handed over
    std::int64_t currentTotal = 0;   // of the hives replaced, as recorded
    std::int64_t newTotal = 0;
    std::vector<std::string> notReplaced;      // registry paths of hives handed over but not replaced
    std::vector<std::string> notReplacedWhy;   // "hive: why", for each of them
    std::vector<std::string> leftOut;          // "hive: why"
};

// A hive counts as replaced when the file now at its name is the file handed over.
bool HiveReplaced(platform::System& system, const RecordedHive& hive);
HandOverResult ResultOf(platform::System& system, const HandOverRecord& record);
// "7 of 7 hives replaced, 26,524 KB -> 20,776 KB", then a line for each hive not replaced and
// each hive left out of the hand-over, with its reason.
std::string DescribeResult(const HandOverRecord& record, const HandOverResult& result);
// The record is told: a later start says nothing more of it.
bool MarkHandOverReported(HandOverRecord record);

// The hives the last Defrag replaced: what a plain Undo puts back. Empty when the last hand-over
// was an Undo, or none is recorded.
std::vector<RecordedHive> ReplacedByLastDefrag(platform::System& system, const std::string& programFolder);

// Deletes <hive file>.undone and the logs beside it, where they exist: what an earlier Undo kept
// goes once a later hand-over of the hive is accepted.
void RemoveUndoneFiles(platform::System& system, const std::string& hiveFile);

}  // namespace kelvara::defrag
