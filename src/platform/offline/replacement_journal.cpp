#include "platform/offline/replacement_journal.h"
#include "regf/native_path.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace kelvara::platform::offline {
namespace fs = std::filesystem;

namespace {

constexpr const char* kHeader = "Kelvara hive replacements 2";
constexpr const char* kOlderHeader = "Kelvara hive replacements 1";
constexpr const char* kFileName = "kelvara-pending-replacements.journal";

std::string EncodePath(const fs::path& path, const InstallationPaths& paths) {
    if (auto onDriveC = paths.PathOnDriveC(path)) return "C:\\" + *onDriveC;
    return regf::NarrowPath(path);
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

std::string FormatMark(const std::optional<FileMark>& mark) {
    if (!mark) return "-";
    return std::to_string(mark->size) + ":" + std::to_string(mark->primary) + ":" + std::to_string(mark->secondary) +
           ":" + std::to_string(mark->timestamp);
}

// Decimal digits only, within range; "-" is a file that was not there.
std::optional<std::optional<FileMark>> ParseMark(const std::string& text) {
    if (text == "-") return std::optional<FileMark>{};
    std::vector<std::uint64_t> numbers;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = text.find(':', start);
        const std::string digits = text.substr(start, colon - start);
        if (digits.empty() || digits.size() > 20 || digits.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        try {
            numbers.push_back(std::stoull(digits));
        } catch (const std::out_of_range&) {
            return std::nullopt;
        }
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (numbers.size() != 4 || numbers[1] > UINT32_MAX || numbers[2] > UINT32_MAX) return std::nullopt;
    return std::optional<FileMark>{FileMark{numbers[0], static_cast<std::uint32_t>(numbers[1]),
                                            static_cast<std::uint32_t>(numbers[2]), numbers[3]}};
}

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::optional<FileMark> MarkOf(const fs::path& file) {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    unsigned char head[20] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    FileMark mark;
    mark.size = size;
    if (in.gcount() == static_cast<std::streamsize>(sizeof head)) {
        mark.primary = Le32(head + 4);
        mark.secondary = Le32(head + 8);
        mark.timestamp = static_cast<std::uint64_t>(Le32(head + 12)) | static_cast<std::uint64_t>(Le32(head + 16)) << 32;
    }
    return mark;
}

std::string FormatJournal(const ReplacementJournal& journal, const InstallationPaths& paths) {
    std::string text = std::string(kHeader) + "\n";
    text += journal.restarting ? "restarting 1\n" : "restarting 0\n";
    for (const PendingReplacement& entry : journal.entries) {
        text += entry.state == PendingReplacement::State::Swapping ? "swapping" : "pending";
        text += '\t' + EncodePath(entry.hive, paths);
        text += '\t' + EncodePath(entry.replacement, paths);
        text += '\t' + EncodePath(entry.backup, paths);
        text += '\t' + FormatMark(entry.oldMark) + '\t' + FormatMark(entry.newMark) + "\n";
    }
    return text;
}

std::optional<ReplacementJournal> ParseJournal(const std::string& text, const InstallationPaths& paths,
                                               std::string& error) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || (line != kHeader && line != kOlderHeader)) {
        error = "the first line is not \"" + std::string(kHeader) + "\"";
        return std::nullopt;
    }
    // The older builds wrote no marks: their lines have four fields, ours six, and no other count
    // is a line either of them wrote.
    const std::size_t fieldCount = line == kHeader ? 6 : 4;
    ReplacementJournal journal;
    if (!std::getline(in, line) || (line != "restarting 0" && line != "restarting 1")) {
        error = "line 2 is not \"restarting 0\" or \"restarting 1\"";
        return std::nullopt;
    }
    journal.restarting = line == "restarting 1";

    for (int number = 3; std::getline(in, line); ++number) {
        if (line.empty()) continue;
        std::vector<std::string> fields = SplitTabs(line);
        bool knownState = !fields.empty() && (fields[0] == "pending" || fields[0] == "swapping");
        if (fields.size() != fieldCount || !knownState) {
            error = "line " + std::to_string(number) + " is not \"pending|swapping<TAB>hive<TAB>new<TAB>backup" +
                    (fieldCount == 6 ? "<TAB>mark<TAB>mark" : "") + "\"";
            return std::nullopt;
        }
        std::optional<std::optional<FileMark>> oldMark, newMark;
        if (fieldCount == 6) {
            oldMark = ParseMark(fields[4]);
            newMark = ParseMark(fields[5]);
            if (!oldMark || !newMark) {
                error = "line " + std::to_string(number) + " has a file mark that is not size:sequence:sequence:time";
                return std::nullopt;
            }
        }
        auto hive = paths.ToNative(fields[1]);
        auto replacement = paths.ToNative(fields[2]);
        auto backup = paths.ToNative(fields[3]);
        if (!hive || !replacement || !backup) {
            error = "line " + std::to_string(number) + " names a drive this machine does not have";
            return std::nullopt;
        }
        PendingReplacement entry;
        entry.state = fields[0] == "swapping" ? PendingReplacement::State::Swapping : PendingReplacement::State::Pending;
        entry.hive = *hive;
        entry.replacement = *replacement;
        entry.backup = *backup;
        if (oldMark) entry.oldMark = *oldMark;
        if (newMark) entry.newMark = *newMark;
        journal.entries.push_back(std::move(entry));
    }
    return journal;
}

fs::path JournalFile(const InstallationPaths& paths) { return paths.Root() / kFileName; }

fs::path RefusedJournalFile(const InstallationPaths& paths) {
    return paths.Root() / (std::string(kFileName) + ".refused");
}

std::optional<ReplacementJournal> LoadJournal(const InstallationPaths& paths, std::string& error) {
    fs::path file = JournalFile(paths);
    std::error_code ec;
    if (!fs::exists(file, ec)) return ReplacementJournal{};
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        error = "cannot read " + file.string();
        return std::nullopt;
    }
    if (text.find_first_not_of('\0') == std::string::npos) return ReplacementJournal{};
    std::string problem;
    auto journal = ParseJournal(text, paths, problem);
    if (!journal) error = file.string() + ": " + problem;
    return journal;
}

bool StoreJournal(const ReplacementJournal& journal, const InstallationPaths& paths, const Failpoint& failpoint,
                  std::string& error, Flush flush) {
    fs::path file = JournalFile(paths);
    if (journal.entries.empty())
        return flush == Flush::ToDisk ? RemoveDurably(file, failpoint, error) : Remove(file, failpoint, error);
    return WriteFileAtomically(file, FormatJournal(journal, paths), failpoint, error, flush);
}

}  // namespace kelvara::platform::offline
