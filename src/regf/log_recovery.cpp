// Recovering a dirty hive from its transaction logs, in memory, as Windows does when it loads
// the hive. Which log and which entries count:
//  - a hive is dirty when its sequence numbers differ or its base block's checksum is wrong;
//  - an entry log (.LOG1, .LOG2) holds the writes from the sequence number its own base block
//    copy carries: Windows rewrites that copy whenever it starts the log afresh. A log whose
//    number is below the hive's secondary one holds only writes the hive already has. The log
//    that starts earlier applies first, from its own number on, one number after another; when
//    it holds no next number the other log goes on with it. The hive's secondary number may lie
//    below the first log's: a partial reconcile writes the hive's bins without its base block
//    once the logs have turned over. A cut, a bad hash or a bad size ends a log's usable entries;
//  - a torn hive base block is taken from the copy in the log that starts latest, and only that
//    log's entries apply;
//  - a log entry restores only the flag 0x1 of the base block, the one it keeps a copy of;
//  - a dirty-vector log (.LOG) applies when its base block copy is sound, complete (equal
//    sequence numbers) and written together with the hive's last write (the same timestamp).
//    Of a .LOG1 and .LOG2 pair, Windows 8 and later take .LOG2 when .LOG1 does not apply and
//    .LOG2 was written later: a write that failed switched to it with every page still dirty.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>

#include "regf/native_path.h"
#include "regf/errors.h"
#include "regf/hive_bin.h"
#include "regf/transaction_log.h"

namespace kelvara::regf {

namespace {

struct Primary {
    BaseBlockHeader base{};
    bool checksumSound = false;
};

// Writes the base block a recovery leaves: the hive's own (or the log's copy when the hive's
// was torn) with equal sequence numbers, the new size and file type 0.
void SealBaseBlock(std::vector<std::uint8_t>& image, BaseBlockHeader header, std::uint32_t sequence,
                   std::uint32_t binsSize) {
    header.primary_sequence_number = sequence;
    header.secondary_sequence_number = sequence;
    header.hive_bins_data_size = binsSize;
    header.file_type = 0;
    header.checksum = BaseBlockChecksum(header);
    std::memcpy(image.data(), &header, sizeof header);
}

void CopyPages(std::vector<std::uint8_t>& image, const LogFile& log, const std::vector<LogPage>& pages) {
    for (const auto& page : pages)
        std::memcpy(image.data() + kBaseBlockSize + page.binsOffset, log.bytes.data() + page.logOffset, page.size);
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : "; ") + line;
    return text;
}

struct Link {
    std::size_t log;
    const LogEntry* entry;
};

// Where a log's entries begin: the sequence number of its base block copy.
std::uint32_t StartOf(const ParsedLog& log) { return log.header.primary_sequence_number; }

// Appends the entries of one log from `expected` on, one number after another; false when the
// numbers ran out at the top of the range.
bool TakeRun(const ParsedLog& log, std::size_t index, std::uint32_t& expected, std::vector<Link>& chain) {
    if (expected < StartOf(log)) return true;   // a gap: this log begins after the number wanted
    auto entry = std::find_if(log.entries.begin(), log.entries.end(),
                              [&](const LogEntry& e) { return e.sequenceNumber == expected; });
    for (; entry != log.entries.end() && entry->sequenceNumber == expected; ++entry) {
        chain.push_back(Link{index, &*entry});
        if (expected == 0xFFFFFFFF) return false;
        ++expected;
    }
    return true;
}

// The entries to apply, in order: the first log's from its own start, then each next log's
// from the number after the last one taken, until a log holds no such number.
std::vector<Link> ChainEntries(const std::vector<ParsedLog>& parsed, const std::vector<std::size_t>& order) {
    std::vector<Link> chain;
    if (order.empty()) return chain;
    std::uint32_t expected = StartOf(parsed[order.front()]);
    for (std::size_t index : order) {
        const std::size_t before = chain.size();
        if (!TakeRun(parsed[index], index, expected, chain)) break;
        if (chain.size() == before) break;
    }
    return chain;
}

// The entry logs that may apply, earliest start first (on equal starts, in the order .LOG1,
// .LOG2), and why the others may not.
std::vector<std::size_t> ApplicableEntryLogs(const Primary& primary, const std::vector<ParsedLog>& parsed,
                                             const std::vector<std::size_t>& entryLogs, std::vector<std::string>& why) {
    std::vector<std::size_t> usable;
    for (std::size_t index : entryLogs) {
        const ParsedLog& log = parsed[index];
        if (!log.headerSound) {
            why.push_back(log.headerProblem + ", so where its entries begin is unknown");
            continue;
        }
        if (primary.checksumSound && StartOf(log) < primary.base.secondary_sequence_number) {
            why.push_back("\"" + log.name + "\" begins at sequence number " + std::to_string(StartOf(log)) +
                          ", before the hive's last write");
            continue;
        }
        usable.push_back(index);
    }
    std::stable_sort(usable.begin(), usable.end(),
                     [&](std::size_t a, std::size_t b) { return StartOf(parsed[a]) < StartOf(parsed[b]); });
    return usable;
}

// The log that starts latest: with the hive's base block torn, its copy stands in and only its
// entries apply. On equal starts the first of them in the order .LOG1, .LOG2.
std::vector<std::size_t> LatestEntryLog(const std::vector<ParsedLog>& parsed, const std::vector<std::size_t>& usable) {
    std::optional<std::size_t> latest;
    for (std::size_t index : usable)
        if (!latest || StartOf(parsed[index]) > StartOf(parsed[*latest])) latest = index;
    if (!latest) return {};
    return {*latest};
}

// What each entry log holds, for a refusal that lets the user see why nothing followed.
std::string EntriesHeld(const std::vector<ParsedLog>& parsed, const std::vector<std::size_t>& entryLogs) {
    std::string held;
    for (std::size_t index : entryLogs) {
        const auto& log = parsed[index];
        held += "; \"" + log.name + "\" holds ";
        held += log.entries.empty() ? std::string("no sound entry")
                                    : "entries " + std::to_string(log.entries.front().sequenceNumber) + " to " +
                                          std::to_string(log.entries.back().sequenceNumber);
        if (log.headerSound) held += " from " + std::to_string(StartOf(log)) + " on";
        if (!log.stoppedBecause.empty()) held += " (" + log.stoppedBecause + ")";
    }
    return held;
}

// Applies the entry logs; an Error when they hold nothing that follows the hive's last write.
Result<Recovery> ApplyEntryLogs(std::vector<std::uint8_t>& image, const Primary& primary,
                                const std::vector<LogFile>& logs, const std::vector<ParsedLog>& parsed,
                                const std::vector<std::size_t>& entryLogs, std::size_t largest) {
    std::vector<std::string> passedOver;
    auto order = ApplicableEntryLogs(primary, parsed, entryLogs, passedOver);
    BaseBlockHeader base = primary.base;
    if (!primary.checksumSound) {
        // The hive's base block was torn while being written: the copy in the latest log stands in.
        order = LatestEntryLog(parsed, order);
        if (order.empty()) return MakeError(offsetof(BaseBlockHeader, checksum), "the hive's base block is torn and no log holds a sound copy of it");
        base = parsed[order.front()].header;
    }
    auto chain = ChainEntries(parsed, order);
    std::string tooLarge;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const LogEntry& entry = *chain[i].entry;
        if (std::size_t{kBaseBlockSize} + entry.hiveBinsDataSize > largest) {
            tooLarge = "\"" + logs[chain[i].log].name + "\" at offset " + Hex(entry.logOffset) +
                       ": the entry makes the hive bins " + Hex(entry.hiveBinsDataSize) +
                       " bytes, more than the hive and its logs hold";
            chain.resize(i);
            break;
        }
    }
    if (chain.empty() && !tooLarge.empty()) return MakeError(0, tooLarge);
    if (chain.empty()) {
        const std::uint32_t last = primary.checksumSound ? primary.base.secondary_sequence_number : base.secondary_sequence_number;
        return MakeError(0, "no log entry follows the hive's last write (sequence number " + std::to_string(last) + ")" +
                                EntriesHeld(parsed, entryLogs) + (passedOver.empty() ? "" : "; " + Join(passedOver)));
    }
    Recovery recovery;
    for (const auto& link : chain) {
        const LogEntry& entry = *link.entry;
        // An entry written after the hive grew (or shrank) brings its size along.
        image.resize(std::size_t{kBaseBlockSize} + entry.hiveBinsDataSize, 0);
        CopyPages(image, logs[link.log], entry.pages);
        recovery.pagesApplied += static_cast<std::uint32_t>(entry.pages.size());
        ++recovery.entriesApplied;
        const auto& name = logs[link.log].name;
        if (std::find(recovery.logsUsed.begin(), recovery.logsUsed.end(), name) == recovery.logsUsed.end())
            recovery.logsUsed.push_back(name);
    }
    const LogEntry& last = *chain.back().entry;
    std::uint32_t flags = ReadLe32(reinterpret_cast<const std::uint8_t*>(&base) + kBaseBlockFlagsOffset);
    flags = (flags & ~kLoggedFlags) | (last.flags & kLoggedFlags);
    std::memcpy(reinterpret_cast<std::uint8_t*>(&base) + kBaseBlockFlagsOffset, &flags, 4);
    SealBaseBlock(image, base, last.sequenceNumber, last.hiveBinsDataSize);
    for (std::size_t index : entryLogs)
        if (!parsed[index].stoppedBecause.empty()) recovery.notes.push_back(parsed[index].stoppedBecause);
    recovery.notes.insert(recovery.notes.end(), passedOver.begin(), passedOver.end());
    if (!tooLarge.empty()) recovery.notes.push_back(tooLarge);
    return recovery;
}

// A dirty page that begins a bin must be that bin's header, else the log is not the hive's.
std::string BadDirtyBin(const LogFile& log, const std::vector<LogPage>& pages, std::uint32_t binsSize) {
    for (const auto& page : pages) {
        if (page.binsOffset % kHiveBinAlignment != 0) continue;
        HiveBinHeader bin;
        std::memcpy(&bin, log.bytes.data() + page.logOffset, sizeof bin);
        if (!bin.signature.Is("hbin")) continue;
        const std::uint32_t offset = bin.offset, size = bin.size;
        if (offset != page.binsOffset || size < kHiveBinAlignment || size % kHiveBinAlignment != 0 ||
            size > binsSize - offset)
            return "\"" + log.name + "\" at offset " + Hex(page.logOffset) + ": the dirty hive bin for " +
                   Hex(page.binsOffset) + " says offset " + Hex(offset) + " and size " + Hex(size);
    }
    return "";
}

// The timestamp of the hive's last write, which a dirty-vector log of that write shares; when
// the hive's base block is torn, the first bin keeps a copy of it.
std::optional<std::uint64_t> LastWriteTimestamp(const std::vector<std::uint8_t>& image, const Primary& primary) {
    if (primary.checksumSound) return primary.base.last_written_timestamp;
    if (image.size() < kBaseBlockSize + kHiveBinHeaderSize) return std::nullopt;
    return ReadLe64(image.data() + kBaseBlockSize + offsetof(HiveBinHeader, timestamp));
}

// How a dirty-vector log must relate to the hive's last write before it applies.
enum class WriteMatch {
    Same,        // written together with it (the same timestamp)
    Cumulative,  // a .LOG2 that a failed write switched to: every page since the last good write
};

Result<Recovery> ApplyDirtyVectorLog(std::vector<std::uint8_t>& image, const Primary& primary, const LogFile& log,
                                     const ParsedLog& parsed, std::size_t largest, WriteMatch match) {
    const auto& header = parsed.header;
    if (header.primary_sequence_number != header.secondary_sequence_number)
        return MakeError(0, "\"" + log.name + "\" was not written completely (its sequence numbers are " +
                                std::to_string(header.primary_sequence_number) + " and " +
                                std::to_string(header.secondary_sequence_number) + ")");
    const auto written = LastWriteTimestamp(image, primary);
    if (match == WriteMatch::Same && !written)
        return MakeError(0, "the hive's base block is torn and the file has no first bin");
    if (match == WriteMatch::Same && header.last_written_timestamp != *written)
        return MakeError(offsetof(BaseBlockHeader, last_written_timestamp),
                         "\"" + log.name + "\" belongs to another write of the hive (its timestamp " +
                             Hex(header.last_written_timestamp) + " is not the hive's " + Hex(*written) + ")");
    auto pages = DirtyVectorPages(log, header);
    if (!pages) return pages.error();
    const std::uint32_t binsSize = header.hive_bins_data_size;
    if (std::size_t{kBaseBlockSize} + binsSize > largest)
        return MakeError(offsetof(BaseBlockHeader, hive_bins_data_size),
                         "\"" + log.name + "\": hive bins of " + Hex(binsSize) + " bytes are more than the hive and its log hold");
    if (auto bad = BadDirtyBin(log, *pages, binsSize); !bad.empty()) return MakeError(0, bad);
    image.resize(std::size_t{kBaseBlockSize} + binsSize, 0);
    CopyPages(image, log, *pages);
    Recovery recovery;
    recovery.entriesApplied = 1;
    recovery.pagesApplied = static_cast<std::uint32_t>(pages->size());
    recovery.logsUsed.push_back(log.name);
    BaseBlockHeader base = primary.checksumSound ? primary.base : header;
    SealBaseBlock(image, base, base.primary_sequence_number, binsSize);
    return recovery;
}

bool NameEndsWith(const std::string& name, const char* suffix) {
    const std::size_t length = std::strlen(suffix);
    if (name.size() < length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        char c = name[name.size() - length + i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != suffix[i]) return false;
    }
    return true;
}

bool WrittenComplete(const ParsedLog& log) {
    return log.headerSound && log.header.primary_sequence_number == log.header.secondary_sequence_number;
}

// Of a dirty-vector .LOG1 and .LOG2, Windows 8 and later recover from .LOG2 when .LOG1 does not
// apply to the hive's last write and .LOG2 is sound, complete and later than .LOG1 (by their
// timestamps; any sound .LOG2 when .LOG1 has no sound copy). A write that fails switches logs
// and keeps every page dirtied since the last good write in the new one, so .LOG2 then holds
// the latest whole state whatever timestamp the hive's base block was left with.
std::optional<std::size_t> CumulativeSecondLog(const std::vector<std::uint8_t>& image, const Primary& primary,
                                               const std::vector<LogFile>& logs, const std::vector<ParsedLog>& parsed) {
    std::optional<std::size_t> first, second;
    for (std::size_t i = 0; i < logs.size(); ++i) {
        if (parsed[i].entryFormat) continue;
        if (NameEndsWith(logs[i].name, ".LOG1")) first = i;
        if (NameEndsWith(logs[i].name, ".LOG2")) second = i;
    }
    if (!first || !second || !WrittenComplete(parsed[*second])) return std::nullopt;
    const ParsedLog& one = parsed[*first];
    const ParsedLog& two = parsed[*second];
    const auto written = LastWriteTimestamp(image, primary);
    const bool firstApplies = WrittenComplete(one) && written && one.header.last_written_timestamp == *written;
    if (firstApplies) return std::nullopt;
    if (one.headerSound && two.header.last_written_timestamp <= one.header.last_written_timestamp) return std::nullopt;
    return second;
}

// A hive grows only by bins its logs carry: what lies beyond its file must come from them.
std::size_t LargestRecoverable(std::size_t hiveBytes, const std::vector<LogFile>& logs) {
    std::size_t largest = hiveBytes;
    for (const auto& log : logs) largest += log.bytes.size();
    return largest;
}

Result<Recovery> RecoverInMemory(std::vector<std::uint8_t> bytes, const std::vector<LogFile>& logs);

}  // namespace

Result<Recovery> RecoverHive(std::vector<std::uint8_t> bytes, const std::vector<LogFile>& logs) {
    // Logs are untrusted: one that asks for more memory than there is gets a refusal, not a crash.
    try {
        return RecoverInMemory(std::move(bytes), logs);
    } catch (const std::bad_alloc&) {
        return MakeError(0, "not enough memory to recover the hive from its logs");
    }
}

namespace {

Result<Recovery> RecoverInMemory(std::vector<std::uint8_t> bytes, const std::vector<LogFile>& logs) {
    if (bytes.size() < kBaseBlockSize)
        return MakeError(0, "the hive file holds " + std::to_string(bytes.size()) + " bytes, too few for a base block");
    Primary primary;
    std::memcpy(&primary.base, bytes.data(), sizeof primary.base);
    if (!primary.base.signature.Is("regf")) return MakeError(0, "base block: expected signature \"regf\"");
    primary.checksumSound = ChecksumProblem(primary.base).empty();
    if (primary.checksumSound && primary.base.primary_sequence_number == primary.base.secondary_sequence_number) {
        Recovery clean;
        clean.bytes = std::move(bytes);
        return clean;
    }
    std::vector<ParsedLog> parsed;
    std::vector<std::size_t> entryLogs, vectorLogs;
    std::vector<std::string> passedOver;
    for (std::size_t i = 0; i < logs.size(); ++i) {
        parsed.push_back(ParseLog(logs[i]));
        const auto& log = parsed.back();
        // Systems that write .LOG1 and .LOG2 keep an empty .LOG beside them.
        if (logs[i].bytes.empty()) continue;
        if (log.entryFormat)
            entryLogs.push_back(i);
        else if (log.headerSound)
            vectorLogs.push_back(i);
        else
            passedOver.push_back(log.headerProblem);
    }
    auto finish = [&](Recovery recovery) -> Result<Recovery> {
        recovery.wasDirty = true;
        recovery.bytes = std::move(bytes);
        recovery.notes.insert(recovery.notes.begin(), passedOver.begin(), passedOver.end());
        return recovery;
    };
    if (!entryLogs.empty()) {
        auto applied = ApplyEntryLogs(bytes, primary, logs, parsed, entryLogs, LargestRecoverable(bytes.size(), logs));
        if (applied) return finish(std::move(applied.value()));
        passedOver.push_back(applied.error().message);
    }
    if (auto second = CumulativeSecondLog(bytes, primary, logs, parsed)) {
        auto applied = ApplyDirtyVectorLog(bytes, primary, logs[*second], parsed[*second],
                                           LargestRecoverable(bytes.size(), logs), WriteMatch::Cumulative);
        if (applied) return finish(std::move(applied.value()));
        passedOver.push_back(applied.error().message);
    }
    for (std::size_t index : vectorLogs) {
        auto applied = ApplyDirtyVectorLog(bytes, primary, logs[index], parsed[index], LargestRecoverable(bytes.size(), logs),
                                           WriteMatch::Same);
        if (applied) return finish(std::move(applied.value()));
        passedOver.push_back(applied.error().message);
    }
    if (entryLogs.empty() && vectorLogs.empty() && passedOver.empty())
        return MakeError(0, "the hive is dirty (its last write did not finish) and has no transaction log");
    return MakeError(0, "the hive is dirty (its last write did not finish) and no log recovers it: " + Join(passedOver));
}

}  // namespace

std::vector<std::string> FindLogFiles(const std::string& hivePath) {
    namespace fs = std::filesystem;
    const fs::path hive = NativePath(hivePath);
    fs::path folder = hive.parent_path();
    if (folder.empty()) folder = ".";
    const std::string stem = NarrowPath(hive.filename());
    auto upper = [](std::string text) {
        for (auto& c : text)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return text;
    };
    const std::string wanted = upper(stem);
    const char* const suffixes[] = {".LOG", ".LOG1", ".LOG2"};
    std::vector<std::string> found;
    std::error_code error;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error)) entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    for (const char* suffix : suffixes)
        for (const auto& entry : entries)
            if (upper(NarrowPath(entry.filename())) == wanted + suffix) {
                found.push_back(NarrowPath(entry));
                break;
            }
    return found;
}

namespace {

Result<std::vector<std::uint8_t>> ReadWhole(const std::string& path, const char* what, std::size_t room = 0) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return MakeError(0, std::string("cannot open ") + what + " \"" + path + "\"");
    auto end = in.tellg();
    if (end < 0 || static_cast<std::uint64_t>(end) > 0xFFFFFFFFull + kBaseBlockSize)
        return MakeError(0, std::string(what) + " \"" + path + "\" is too large");
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::max(room, static_cast<std::size_t>(end)));
    bytes.resize(static_cast<std::size_t>(end));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return MakeError(0, std::string("cannot read ") + what + " \"" + path + "\"");
    return bytes;
}

}  // namespace

Result<Recovery> RecoverHiveFile(const std::string& hivePath) {
    std::vector<LogFile> logs;
    for (const auto& path : FindLogFiles(hivePath)) {
        auto bytes = ReadWhole(path, "log file");
        if (!bytes) return bytes.error();
        logs.push_back({path, std::move(bytes.value())});
    }
    // The hive is read into room for the largest size a log may grow it to, so that growing it
    // never holds two copies of a large hive at once.
    std::size_t room = 0;
    for (const auto& log : logs) {
        ParsedLog parsed = ParseLog(log);
        if (parsed.headerSound) room = std::max<std::size_t>(room, parsed.header.hive_bins_data_size);
        for (const auto& entry : parsed.entries) room = std::max<std::size_t>(room, entry.hiveBinsDataSize);
    }
    std::error_code sizeError;
    const auto fileSize = std::filesystem::file_size(NativePath(hivePath), sizeError);
    if (!sizeError) room = std::min(kBaseBlockSize + room, LargestRecoverable(static_cast<std::size_t>(fileSize), logs));
    std::optional<Result<std::vector<std::uint8_t>>> primary;
    try {
        primary.emplace(ReadWhole(hivePath, "hive file", room));
    } catch (const std::bad_alloc&) {
        return MakeError(0, "\"" + hivePath + "\": not enough memory to read the hive");
    }
    if (!*primary) return primary->error();
    auto recovered = RecoverHive(std::move(primary->value()), logs);
    if (!recovered) return Error{"\"" + hivePath + "\": " + recovered.error().message, recovered.error().offset};
    return recovered;
}

}  // namespace kelvara::regf
