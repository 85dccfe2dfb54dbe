// Writes a tree of keys into a new hive in one fixed order, so that the builder and the
// compactor lay out the same content the same way: a key node, its class, its security
// descriptor (the first time it is used), its values, then its subkeys, and the key's subkey
// list once they are all written.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "regf/hive_writer.h"
#include "regf/key_node.h"
#include "regf/subkey_list.h"

namespace kelvara::regf {

// Names, classes, data and descriptors are views: their bytes belong to the caller (the input
// hive, when compacting) and must outlive the call that writes them.
struct ValueRecord {
    StoredName name;
    std::uint32_t type = 0;
    std::span<const std::uint8_t> data;
};

// One key as written, without its subkeys.
struct KeyRecord {
    StoredName name;
    StoredName className;   // UTF-16LE
    std::uint64_t lastWritten = 0;
    std::uint16_t flags = 0;              // the name flag is set from the name
    std::uint32_t accessBits = 0;
    std::uint32_t subkeyNameFlags = 0;    // the high half of the largest-subkey-name field
    std::span<const std::uint8_t> security;        // self-relative security descriptor
    std::uint32_t securitySource = 0xFFFFFFFF;     // the cell it came from, when copied
    std::span<const ValueRecord> values;   // in the key's order
};

class KeyTreeWriter {
public:
    KeyTreeWriter(HiveWriter& writer, std::uint32_t minorVersion, SubkeyListLayout layout);

    // Writes the key and everything it owns except its subkeys; the key node's offset.
    Result<std::uint32_t> WriteKey(const KeyRecord& key, std::uint32_t parentOffset);
    // Writes the subkey list of a key whose subkeys (sorted) are all written. Keys are
    // finished after their subkeys, the last written first.
    Status FinishKey(std::uint32_t keyOffset, const std::vector<SubkeyEntry>& subkeys);
    // Links every security descriptor into the hive's list with its reference count.
    void FinishSecurity();

    std::uint32_t Keys() const { return keys_; }
    std::uint32_t Values() const { return values_; }
    std::uint32_t SecurityDescriptors() const { return static_cast<std::uint32_t>(security_.size()); }

private:
    struct SecurityCell {
        std::uint32_t offset;
        std::uint32_t references;
        std::uint32_t size;   // of the descriptor
    };
    // A key written and not yet finished: what its node's subkey fields need besides the list.
    struct OpenKey {
        std::uint32_t offset;
        std::uint32_t subkeyNameFlags;      // the high half of the largest-subkey-name field
        std::uint32_t largestSubkeyClass;   // class name bytes, among the subkeys written so far
    };
    Result<std::uint32_t> SecurityFor(std::span<const std::uint8_t> descriptor, std::uint32_t source);

    HiveWriter& writer_;
    std::uint32_t minorVersion_;
    SubkeyListLayout layout_;
    std::map<std::string, std::size_t> securityIndex_;   // descriptor bytes -> security_
    std::vector<SecurityCell> security_;                               // in order of first use
    std::unordered_map<std::uint32_t, std::size_t> securityBySource_;  // input cell -> security_
    std::vector<OpenKey> openKeys_;   // the innermost last
    std::vector<std::uint32_t> valueOffsets_;   // of the key being written
    std::pair<std::uint32_t, std::size_t> lastSource_{0xFFFFFFFF, 0};   // the last security cell used
    std::uint32_t keys_ = 0;
    std::uint32_t values_ = 0;
};

}  // namespace kelvara::regf
