#include "defrag/hand_over_record.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/ini_file.h"

namespace kelvara::defrag {
namespace {

constexpr const char* kSection = "Last Hand-over";

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string InFolder(std::string folder, const std::string& name) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += kSeparator;
    return folder + name;
}

// Days from 1970-01-01 to a civil date, and back (the proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

std::vector<std::string> SplitBars(const std::string& text, std::size_t atMost) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = fields.size() + 1 == atMost ? std::string::npos : text.find('|', start);
        fields.push_back(text.substr(start, bar - start));
        if (bar == std::string::npos) return fields;
        start = bar + 1;
    }
}

template <typename Number>
std::optional<Number> ParseNumber(const std::string& text) {
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return static_cast<Number>(std::stoull(text));
}

constexpr std::pair<RecordedHive::State, const char*> kStates[] = {
    {RecordedHive::State::Planned, "planned"},
    {RecordedHive::State::Accepted, "accepted"},
    {RecordedHive::State::Refused, "refused"},
    {RecordedHive::State::LeftOut, "left out"},
};

const char* StateName(RecordedHive::State state) {
    for (const auto& [value, name] : kStates)
        if (value == state) return name;
    return "planned";
}

std::optional<RecordedHive> ParseHive(const std::string& text) {
    // The older builds' form: handed over (1 or 0)|current size|new size|hive|file.
    if (text.size() > 1 && (text[0] == '0' || text[0] == '1') && text[1] == '|') {
        const std::vector<std::string> fields = SplitBars(text, 5);
        if (fields.size() != 5 || fields[4].empty()) return std::nullopt;
        const auto current = ParseNumber<std::int64_t>(fields[1]);
        const auto next = ParseNumber<std::int64_t>(fields[2]);
        if (!current || !next) return std::nullopt;
        RecordedHive hive{fields[3], fields[4], fields[0] == "1" ? RecordedHive::State::Accepted
                                                                 : RecordedHive::State::Refused,
                          *current, *next, 0, {}};
        return hive;
    }
    const std::vector<std::string> fields = SplitBars(text, 7);
    if (fields.size() != 7 || fields[5].empty()) return std::nullopt;
    RecordedHive hive;
    bool known = false;
    for (const auto& [value, name] : kStates)
        if (fields[0] == name) hive.state = value, known = true;
    const auto current = ParseNumber<std::int64_t>(fields[1]);
    const auto next = ParseNumber<std::int64_t>(fields[2]);
    const auto identity = ParseNumber<std::uint64_t>(fields[3]);
    if (!known || !current || !next || !identity) return std::nullopt;
    hive.currentSize = *current;
    hive.newSize = *next;
    hive.identity = *identity;
    hive.hivePath = fields[4];
    hive.hiveFile = fields[5];
    hive.reason = fields[6];
    return hive;
}

// A reason is one line of the record.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

// Sizes are written as Windows gives them; an unreadable one (-1) is kept as 0.
std::string SizeText(std::int64_t size) { return std::to_string(size < 0 ? 0 : size); }

std::optional<HandOverRecord> ReadFrom(const std::string& path) {
    const common::IniFile ini = common::LoadIniFile(path);
    HandOverRecord record;
    record.path = path;
    const std::string command = ini.ReadString(kSection, "Command", "");
    if (command != "Defrag" && command != "Undo") return std::nullopt;
    record.command = command == "Defrag" ? HandOverRecord::Command::Defrag : HandOverRecord::Command::Undo;
    const std::string time = ini.ReadString(kSection, "Time", "");
    const auto utc = ParseUtcTime(time);
    if (!utc) return std::nullopt;
    record.timeUtc = *utc;
    // The older builds wrote the local time, which cannot be set against the system's start.
    record.timeKnown = ini.ReadString(kSection, "Clock", "") == "UTC";
    record.complete = ini.ReadInteger(kSection, "Complete", 0) != 0;
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

}  // namespace

std::string FormatUtcTime(std::int64_t utcSeconds) {
    std::int64_t days = utcSeconds / 86400, seconds = utcSeconds % 86400;
    if (seconds < 0) seconds += 86400, --days;
    int year = 1970, month = 1, day = 1;
    CivilFromDays(days, year, month, day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

std::optional<std::int64_t> ParseUtcTime(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &year, &month, &day, &hour, &minute, &second, &rest) != 6)
        return std::nullopt;
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600 +
           minute * 60 + second;
}

namespace {

platform::LocalTime TimeOfSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400, inDay = seconds % 86400;
    if (inDay < 0) inDay += 86400, --days;
    platform::LocalTime time;
    CivilFromDays(days, time.year, time.month, time.day);
    time.hour = static_cast<int>(inDay / 3600);
    time.minute = static_cast<int>(inDay / 60 % 60);
    time.second = static_cast<int>(inDay % 60);
    return time;
}

}  // namespace

platform::LocalTime RecordedLocalTime(platform::System& system, const HandOverRecord& record) {
    return record.timeKnown ? LocalTimeOf(system, record.timeUtc) : TimeOfSeconds(record.timeUtc);
}

platform::LocalTime LocalTimeOf(platform::System& system, std::int64_t utcSeconds) {
    const platform::LocalTime now = system.GetLocalTime();
    const std::int64_t localNow =
        DaysFromCivil(now.year, static_cast<unsigned>(now.month), static_cast<unsigned>(now.day)) * 86400 +
        now.hour * 3600 + now.minute * 60 + now.second;
    // Offsets from UTC are whole quarter hours; the two clocks were read a moment apart.
    const std::int64_t quarter = 15 * 60;
    std::int64_t offset = localNow - system.UtcNow();
    offset = (offset >= 0 ? offset + quarter / 2 : offset - quarter / 2) / quarter * quarter;
    return TimeOfSeconds(utcSeconds + offset);
}

std::string RecordPath(platform::System& system, const std::string& programFolder) {
    const std::string common = system.CommonAppDataFolder();
    if (common.empty()) return InFolder(programFolder, kHandOverRecordName);
    return InFolder(InFolder(common, kRecordFolderName), kHandOverRecordName);
}

std::optional<HandOverRecord> ReadHandOverRecord(platform::System& system, const std::string& programFolder) {
    if (auto record = ReadFrom(RecordPath(system, programFolder))) return record;
    return ReadFrom(InFolder(programFolder, kHandOverRecordName));
}

bool WriteHandOverRecord(const HandOverRecord& record) {
    const std::filesystem::path folder = std::filesystem::path(record.path).parent_path();
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    common::IniFile ini;
    ini.SetString(kSection, "Command", record.command == HandOverRecord::Command::Defrag ? "Defrag" : "Undo");
    ini.SetString(kSection, "Time", FormatUtcTime(record.timeUtc));
    ini.SetString(kSection, "Clock", record.timeKnown ? "UTC" : "local");
    ini.SetString(kSection, "Complete", record.complete ? "1" : "0");
    ini.SetString(kSection, "Reported", record.reported ? "1" : "0");
    ini.SetString(kSection, "Hives", std::to_string(record.hives.size()));
    for (std::size_t i = 0; i < record.hives.size(); ++i) {
        const RecordedHive& hive = record.hives[i];
        ini.SetString(kSection, "Hive" + std::to_string(i + 1),
                      std::string(StateName(hive.state)) + "|" + SizeText(hive.currentSize) + "|" +
                          SizeText(hive.newSize) + "|" + std::to_string(hive.identity) + "|" + hive.hivePath + "|" +
                          hive.hiveFile + "|" + OneLine(hive.reason));
    }
    return common::WriteIniFile(record.path, ini);
}

}  // namespace kelvara::defrag
