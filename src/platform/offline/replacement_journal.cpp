#include "platform/offline/replacement_journal.h"
#include "regf/native_path.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace kelvara::platform::offline {
namespace fs = std::filesystem;

namespace {

constexpr const char* kHeader = "Kelvara hive replacements 1";
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

}  // namespace

std::string FormatJournal(const ReplacementJournal& journal, const InstallationPaths& paths) {
    std::string text = std::string(kHeader) + "\n";
    text += journal.restarting ? "restarting 1\n" : "restarting 0\n";
    for (const PendingReplacement& entry : journal.entries) {
        text += entry.state == PendingReplacement::State::Swapping ? "swapping" : "pending";
        text += '\t' + EncodePath(entry.hive, paths);
        text += '\t' + EncodePath(entry.replacement, paths);
        text += '\t' + EncodePath(entry.backup, paths) + "\n";
    }
    return text;
}

std::optional<ReplacementJournal> ParseJournal(const std::string& text, const InstallationPaths& paths,
                                               std::string& error) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        error = "the first line is not \"" + std::string(kHeader) + "\"";
        return std::nullopt;
    }
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
        if (fields.size() != 4 || !knownState) {
            error = "line " + std::to_string(number) + " is not \"pending|swapping<TAB>hive<TAB>new<TAB>backup\"";
            return std::nullopt;
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
        journal.entries.push_back(std::move(entry));
    }
    return journal;
}

fs::path JournalFile(const InstallationPaths& paths) { return paths.Root() / kFileName; }

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
