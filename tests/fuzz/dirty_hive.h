// A small hive after three writes, and the file a crash during the first leaves behind (the
// base block says a write began, the bins are still the old ones): what the log fuzz target
// recovers, and what its seed logs were written from.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "regf/regf.h"

namespace kelvara::fuzzing {

inline constexpr std::uint32_t kSequence = 40;   // the hive's sequence number before the writes
inline constexpr std::size_t kPrimarySeq = 4, kSecondarySeq = 8, kChecksumAt = 508;

inline void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The base block's checksum: the XOR of its first 127 double words, never 0 or all ones.
inline void Reseal(std::vector<std::uint8_t>& hive) {
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < kChecksumAt; at += 4) {
        std::uint32_t word;
        std::memcpy(&word, hive.data() + at, 4);
        sum ^= word;
    }
    if (sum == 0) sum = 1;
    if (sum == 0xFFFFFFFF) sum = 0xFFFFFFFE;
    Put32(hive, kChecksumAt, sum);
}

// The hive after `step` writes, each adding a key with a value.
inline std::vector<std::uint8_t> HiveAfter(int step) {
    regf::KeySpec root;
    root.name = "ROOT";
    root.lastWritten = 0x01D9000000000000ull;
    root.values.push_back({"Counter", 4, regf::Dword(0x1000u + static_cast<std::uint32_t>(step))});
    for (int i = 0; i < 6 + step; ++i) {
        regf::KeySpec key;
        key.name = "Key" + std::to_string(i);
        key.lastWritten = 0x01D9000000000100ull + static_cast<std::uint64_t>(i);
        key.values.push_back({"Path", 1, regf::Utf16z("C:\\Program Files\\App" + std::to_string(i))});
        root.subkeys.push_back(std::move(key));
    }
    auto bytes = regf::BuildBytes(root, {});
    if (!bytes) return {};
    std::vector<std::uint8_t> hive = std::move(*bytes);
    const std::uint32_t sequence = step == 0 ? kSequence : kSequence + static_cast<std::uint32_t>(step) - 1;
    Put32(hive, kPrimarySeq, sequence);
    Put32(hive, kSecondarySeq, sequence);
    Reseal(hive);
    return hive;
}

// The file as the crash left it.
inline std::vector<std::uint8_t> CrashedHive() {
    std::vector<std::uint8_t> hive = HiveAfter(0);
    Put32(hive, kPrimarySeq, kSequence + 1);
    Reseal(hive);
    return hive;
}

}  // namespace kelvara::fuzzing
