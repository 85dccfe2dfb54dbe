// Helpers for writing hive content as code: find-or-create keys by path and add typed values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "regf/regf.h"

namespace kelvara::sample {

class Random;

using regf::KeySpec;

// Registry value types (winnt.h).
namespace regtype {
constexpr std::uint32_t None = 0;
constexpr std::uint32_t Sz = 1;
constexpr std::uint32_t ExpandSz = 2;
constexpr std::uint32_t Binary = 3;
constexpr std::uint32_t Dword = 4;
constexpr std::uint32_t MultiSz = 7;
constexpr std::uint32_t ResourceList = 8;
constexpr std::uint32_t Qword = 11;
}  // namespace regtype

// The subkey `path` (backslash separated) of `parent`, created where missing. Looks siblings up
// case-insensitively, so it is meant for keys with modest numbers of subkeys; the reference is
// valid until a subkey is added to the same parent.
KeySpec& Key(KeySpec& parent, const std::string& path);

// Appends a subkey without looking for an existing one: for long generated lists whose names
// the caller keeps unique.
KeySpec& Append(KeySpec& parent, std::string name);

void Sz(KeySpec& key, std::string name, const std::string& text);
void ExpandSz(KeySpec& key, std::string name, const std::string& text);
void MultiSz(KeySpec& key, std::string name, const std::vector<std::string>& lines);
void Dword(KeySpec& key, std::string name, std::uint32_t value);
void Qword(KeySpec& key, std::string name, std::uint64_t value);
void Binary(KeySpec& key, std::string name, std::vector<std::uint8_t> data);
void Raw(KeySpec& key, std::string name, std::uint32_t type, std::vector<std::uint8_t> data);

// Case-insensitive (ASCII) equality, as the registry compares names.
bool SameName(const std::string& a, const std::string& b);
std::string Upper(std::string text);

// FILETIME of a moment given in Unix seconds.
std::uint64_t FileTime(std::int64_t unixSeconds);

// Gives every key without a last-written time one between `from` and `to` (FILETIMEs).
void StampTimes(KeySpec& root, Random& random, std::uint64_t from, std::uint64_t to);

// Counts for the maker's summary.
struct TreeCounts {
    std::uint64_t keys = 0;
    std::uint64_t values = 0;
    std::uint64_t dataBytes = 0;
};
TreeCounts Count(const KeySpec& root);

}  // namespace kelvara::sample
