// What each independent reader shows of a hive, parsed into one shape, so that every reader's
// view can be held against what is really stored: key paths, value names, types, sizes and raw
// bytes, as far as the reader prints them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "regf/regf.h"

namespace kelvara::crosscheck {

struct SeenValue {
    std::optional<std::uint32_t> type;                 // when the reader shows it as a number
    std::optional<std::uint64_t> size;                 // when the reader shows it
    std::optional<std::vector<std::uint8_t>> bytes;    // when the reader shows them raw
};

// Key path below the root ("" is the root, "\A\B" below it) -> value name ("" is the default
// value) -> what the reader showed of it.
using SeenKeys = std::map<std::string, std::map<std::string, SeenValue>>;

struct ReaderView {
    const char* name;
    // The command that prints the hive; the parser of what it prints.
    std::vector<std::string> (*command)(const std::string& hive);
    SeenKeys (*parse)(const std::string& output);
};

// hivexregedit --export, reglookup, regfexport and Parse::Win32Registry (our dump script).
const std::vector<ReaderView>& Readers();

// The truth to hold them against: the hive as our own validating reader reads it, with every
// value's type, size and bytes.
SeenKeys StoredContent(const regf::HiveFile& hive);

// "" when `seen` shows what `stored` holds (and nothing else), as far as the reader shows
// anything; else the first few differences.
std::string Differences(const SeenKeys& stored, const SeenKeys& seen);

}  // namespace kelvara::crosscheck
