// Recovering a dirty hive from its transaction logs, in memory, as Windows does when it loads
// the hive. Which log and which entries count:
//  - a hive is dirty when its sequence numbers differ or its base block's checksum is wrong;
//  - entry logs (.LOG1, .LOG2) apply from the entry whose sequence number is the hive's
//    secondary one, then each next number, wherever it is found: the two logs take turns, so a
//    chain may run from one into the other, and an older log simply holds no next number. A cut,
//    a bad hash or a bad size ends a log's usable entries;
//  - a dirty-vector log (.LOG) applies when its base block copy is sound, complete (equal
//    sequence numbers) and written together with the hive's last write (the same timestamp);
//  - a torn base block is taken from a log's sound copy.
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

// The entries to apply, in order, from `first` on.
std::vector<Link> ChainEntries(const std::vector<ParsedLog>& parsed, const std::vector<std::size_t>& entryLogs,
                               std::uint32_t first) {
    std::vector<Link> chain;
    std::uint32_t expected = first;
    for (;;) {
        std::optional<Link> best;
        for (std::size_t index : entryLogs) {
            for (const auto& entry : parsed[index].entries) {
                if (entry.sequenceNumber != expected) continue;
                // The same number in both logs: the log written later (its base block copy
                // has the higher sequence number) holds the write that counts.
                if (!best || parsed[index].header.primary_sequence_number >
                                 parsed[best->log].header.primary_sequence_number)
                    best = Link{index, &entry};
                break;
            }
        }
        if (!best) break;
        chain.push_back(*best);
        if (expected == 0xFFFFFFFF) break;
        ++expected;
    }
    return chain;
}

// Applies the entry logs; an Error when they hold nothing that follows the hive's last write.
Result<Recovery> ApplyEntryLogs(std::vector<std::uint8_t>& image, const Primary& primary,
                                const std::vector<LogFile>& logs, const std::vector<ParsedLog>& parsed,
                                const std::vector<std::size_t>& entryLogs, std::size_t largest) {
    BaseBlockHeader base = primary.base;
    if (!primary.checksumSound) {
        // The hive's base block was torn while being written: the copy in the later log stands in.
        std::optional<std::size_t> from;
        for (std::size_t index : entryLogs)
            if (parsed[index].headerSound &&
                (!from || parsed[index].header.primary_sequence_number > parsed[*from].header.primary_sequence_number))
                from = index;
        if (!from) return MakeError(offsetof(BaseBlockHeader, checksum), "the hive's base block is torn and no log holds a sound copy of it");
        base = parsed[*from].header;
    }
    const std::uint32_t first = base.secondary_sequence_number;
    auto chain = ChainEntries(parsed, entryLogs, first);
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
        std::string held;
        for (std::size_t index : entryLogs) {
            const auto& entries = parsed[index].entries;
            held += "; \"" + parsed[index].name + "\" holds ";
            held += entries.empty() ? std::string("no sound entry")
                                    : "entries " + std::to_string(entries.front().sequenceNumber) + " to " +
                                          std::to_string(entries.back().sequenceNumber);
            if (!parsed[index].stoppedBecause.empty()) held += " (" + parsed[index].stoppedBecause + ")";
        }
        return MakeError(0, "no log entry follows the hive's last write (sequence number " + std::to_string(first) + ")" + held);
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
    std::memcpy(reinterpret_cast<std::uint8_t*>(&base) + kBaseBlockFlagsOffset, &last.flags, 4);
    SealBaseBlock(image, base, last.sequenceNumber, last.hiveBinsDataSize);
    for (std::size_t index : entryLogs)
        if (!parsed[index].stoppedBecause.empty()) recovery.notes.push_back(parsed[index].stoppedBecause);
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

Result<Recovery> ApplyDirtyVectorLog(std::vector<std::uint8_t>& image, const Primary& primary, const LogFile& log,
                                     const ParsedLog& parsed, std::size_t largest) {
    const auto& header = parsed.header;
    if (header.primary_sequence_number != header.secondary_sequence_number)
        return MakeError(0, "\"" + log.name + "\" was not written completely (its sequence numbers are " +
                                std::to_string(header.primary_sequence_number) + " and " +
                                std::to_string(header.secondary_sequence_number) + ")");
    // The log and the hive's last write share a timestamp; when the hive's base block is torn,
    // the first bin keeps a copy of it.
    std::uint64_t written = primary.base.last_written_timestamp;
    if (!primary.checksumSound) {
        if (image.size() < kBaseBlockSize + kHiveBinHeaderSize)
            return MakeError(0, "the hive's base block is torn and the file has no first bin");
        written = ReadLe64(image.data() + kBaseBlockSize + offsetof(HiveBinHeader, timestamp));
    }
    if (header.last_written_timestamp != written)
        return MakeError(offsetof(BaseBlockHeader, last_written_timestamp),
                         "\"" + log.name + "\" belongs to another write of the hive (its timestamp " +
                             Hex(header.last_written_timestamp) + " is not the hive's " + Hex(written) + ")");
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
    for (std::size_t index : vectorLogs) {
        auto applied = ApplyDirtyVectorLog(bytes, primary, logs[index], parsed[index], LargestRecoverable(bytes.size(), logs));
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
