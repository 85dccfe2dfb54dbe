#include "defrag/hand_over_record.h"

#include <algorithm>
#include <cstdio>

#include "common/ini_file.h"
#include "common/size_format.h"
#include "defrag/defrag_commit.h"
#include "hive/snapshot.h"

namespace kelvara::defrag {
namespace {

constexpr const char* kSection = "Last Hand-over";

std::string FormatTime(const platform::LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

std::optional<platform::LocalTime> ParseTime(const std::string& text) {
    platform::LocalTime t;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                    &t.second) != 6)
        return std::nullopt;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 59)
        return std::nullopt;
    return t;
}

std::vector<std::string> SplitBars(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = text.find('|', start);
        fields.push_back(text.substr(start, bar - start));
        if (bar == std::string::npos) return fields;
        start = bar + 1;
    }
}

std::optional<std::int64_t> ParseSize(const std::string& text) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoll(text);
}

std::optional<RecordedHive> ParseHive(const std::string& text) {
    const std::vector<std::string> fields = SplitBars(text);
    if (fields.size() != 5 || (fields[0] != "0" && fields[0] != "1") || fields[4].empty()) return std::nullopt;
    const auto current = ParseSize(fields[1]);
    const auto next = ParseSize(fields[2]);
    if (!current || !next) return std::nullopt;
    return RecordedHive{fields[3], fields[4], fields[0] == "1", *current, *next};
}

// What a replacement at the start leaves beside the hive: the file it took the place of.
std::string LeftBehind(const HandOverRecord& record, const std::string& hiveFile) {
    return hiveFile + (record.command == HandOverRecord::Command::Defrag ? ".bak" : ".undone");
}

}  // namespace

void RemoveUndoneFiles(platform::System& system, const std::string& hiveFile) {
    const std::string undone = hiveFile + ".undone";
    for (const char* suffix : {"", ".LOG", ".LOG1", ".LOG2"})
        if (system.FileExists(undone + suffix)) system.DeleteFile(undone + suffix);
}

void AfterHandOver(platform::System& system, const std::string& programFolder,
                   const std::vector<HiveHandOver>& hives) {
    // Without a hive accepted there is no restart, and nothing to tell after one.
    if (std::none_of(hives.begin(), hives.end(), [](const HiveHandOver& h) { return h.accepted; })) return;
    HandOverRecord record{HandOverRecord::Command::Defrag, system.GetLocalTime(), false, {}};
    for (const HiveHandOver& hive : hives) {
        if (hive.accepted) RemoveUndoneFiles(system, hive.hiveFile);
        record.hives.push_back({hive.hivePath, hive.hiveFile, hive.accepted, hive::QueryFileSize(system, hive.hiveFile),
                                hive::QueryFileSize(system, hive.hiveFile + ".kvf")});
    }
    // Offline the job is over when the command returns and prints its outcome.
    if (!system.ReplacesAtOnceWithLogs()) WriteHandOverRecord(programFolder, record);
}

std::string RecordPath(const std::string& programFolder) { return programFolder + kHandOverRecordName; }

bool WriteHandOverRecord(const std::string& programFolder, const HandOverRecord& record) {
    common::IniFile ini;
    ini.SetString(kSection, "Command", record.command == HandOverRecord::Command::Defrag ? "Defrag" : "Undo");
    ini.SetString(kSection, "Time", FormatTime(record.time));
    ini.SetString(kSection, "Reported", record.reported ? "1" : "0");
    ini.SetString(kSection, "Hives", std::to_string(record.hives.size()));
    for (std::size_t i = 0; i < record.hives.size(); ++i) {
        const RecordedHive& hive = record.hives[i];
        ini.SetString(kSection, "Hive" + std::to_string(i + 1),
                      std::string(hive.handedOver ? "1" : "0") + "|" + std::to_string(hive.currentSize) + "|" +
                          std::to_string(hive.newSize) + "|" + hive.hivePath + "|" + hive.hiveFile);
    }
    return common::WriteIniFile(RecordPath(programFolder), ini);
}

std::optional<HandOverRecord> ReadHandOverRecord(const std::string& programFolder) {
    const common::IniFile ini = common::LoadIniFile(RecordPath(programFolder));
    HandOverRecord record;
    const std::string command = ini.ReadString(kSection, "Command", "");
    if (command != "Defrag" && command != "Undo") return std::nullopt;
    record.command = command == "Defrag" ? HandOverRecord::Command::Defrag : HandOverRecord::Command::Undo;
    const auto time = ParseTime(ini.ReadString(kSection, "Time", ""));
    if (!time) return std::nullopt;
    record.time = *time;
    record.reported = ini.ReadInteger(kSection, "Reported", 0) != 0;
    const std::int32_t count = ini.ReadInteger(kSection, "Hives", -1);
    if (count < 0 || count > 1000) return std::nullopt;
    for (std::int32_t i = 1; i <= count; ++i) {
        const auto hive = ParseHive(ini.ReadString(kSection, "Hive" + std::to_string(i), ""));
        if (!hive) return std::nullopt;
        record.hives.push_back(*hive);
    }
    return record;
}

bool MarkHandOverReported(const std::string& programFolder) {
    auto record = ReadHandOverRecord(programFolder);
    if (!record) return false;
    record->reported = true;
    return WriteHandOverRecord(programFolder, *record);
}

HandOverResult ResultOf(platform::System& system, const HandOverRecord& record) {
    HandOverResult result;
    for (const RecordedHive& hive : record.hives) {
        if (!hive.handedOver) continue;
        ++result.handedOver;
        if (!system.FileExists(LeftBehind(record, hive.hiveFile))) {
            result.notReplaced.push_back(hive.hivePath);
            continue;
        }
        ++result.replaced;
        result.currentTotal += hive.currentSize;
        result.newTotal += hive.newSize;
    }
    return result;
}

std::string DescribeResult(const HandOverRecord& record, const HandOverResult& result) {
    const bool undo = record.command == HandOverRecord::Command::Undo;
    std::string text = std::to_string(result.replaced) + " of " + std::to_string(result.handedOver) +
                       (result.handedOver == 1 ? " hive " : " hives ") + (undo ? "put back" : "replaced");
    if (result.replaced > 0)
        text += ", " + common::FormatSizeKB(result.currentTotal) + " -> " + common::FormatSizeKB(result.newTotal);
    for (const std::string& hive : result.notReplaced) text += "\n" + hive + (undo ? ": not put back" : ": not replaced");
    return text;
}

}  // namespace kelvara::defrag
