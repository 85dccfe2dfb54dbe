#include "regf/key_tree_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "regf/class_name.h"
#include "regf/errors.h"
#include "regf/key_node.h"
#include "regf/key_value.h"
#include "regf/security_key.h"
#include "regf/value_list.h"

namespace kelvara::regf {

KeyTreeWriter::KeyTreeWriter(HiveWriter& writer, std::uint32_t minorVersion, SubkeyListLayout layout)
    : writer_(writer), minorVersion_(minorVersion), layout_(layout) {}

Result<std::uint32_t> KeyTreeWriter::SecurityFor(std::span<const std::uint8_t> descriptor, std::uint32_t source) {
    // Most keys share a descriptor cell with many others, often with the key before: know it by
    // its cell first, and by its bytes only the first time, so equal descriptors in different
    // cells still become one.
    std::size_t index;
    if (source != kNoCell && source == lastSource_.first) {
        index = lastSource_.second;
    } else if (auto known = securityBySource_.find(source); source != kNoCell && known != securityBySource_.end()) {
        index = known->second;
    } else {
        std::string key(descriptor.begin(), descriptor.end());
        auto found = securityIndex_.find(key);
        if (found != securityIndex_.end()) {
            index = found->second;
        } else {
            auto offset = WriteKeySecurity(writer_, descriptor);
            if (!offset) return offset;
            index = security_.size();
            securityIndex_.emplace(std::move(key), index);
            security_.push_back({*offset, 0, static_cast<std::uint32_t>(descriptor.size())});
        }
        if (source != kNoCell) securityBySource_.emplace(source, index);
    }
    if (source != kNoCell) lastSource_ = {source, index};
    ++security_[index].references;
    return security_[index].offset;
}

Result<std::uint32_t> KeyTreeWriter::WriteKey(const KeyRecord& key, std::uint32_t parentOffset) {
    KeyNodeHeader header{};
    header.flags = key.flags;
    header.last_written_timestamp = key.lastWritten;
    header.access_bits = key.accessBits;
    header.parent = parentOffset;
    header.subkeys_list_offset = kNoCell;
    header.volatile_subkeys_list_offset = kNoCell;
    header.key_values_list_offset = kNoCell;
    header.largest_subkey_name_length = key.subkeyNameFlags & 0xFFFF0000u;

    auto nodeOffset = WriteKeyNode(writer_, header, key.name);
    if (!nodeOffset) return nodeOffset;

    auto classOffset = WriteClassName(writer_, key.className);
    if (!classOffset) return classOffset;
    auto securityOffset = SecurityFor(key.security, key.securitySource);
    if (!securityOffset) return securityOffset;

    valueOffsets_.clear();
    std::uint32_t largestValueName = 0, largestValueData = 0;
    for (const auto& value : key.values) {
        auto offset = WriteKeyValue(writer_, value.name, value.type, value.data, minorVersion_);
        if (!offset) return offset;
        valueOffsets_.push_back(*offset);
        largestValueName = std::max<std::uint32_t>(largestValueName, value.name.Length() * 2);
        largestValueData = std::max<std::uint32_t>(largestValueData, static_cast<std::uint32_t>(value.data.size()));
    }
    std::uint32_t valueListOffset = kNoCell;
    if (!valueOffsets_.empty()) {
        auto list = WriteValueList(writer_, valueOffsets_);
        if (!list) return list;
        valueListOffset = *list;
    }

    // What the node could not know when it was written, a field at a time.
    const std::uint32_t node = *nodeOffset;
    const auto classLength = static_cast<std::uint16_t>(key.className.Length() * 2);
    writer_.Put32(node, offsetof(KeyNodeHeader, class_name_offset), *classOffset);
    writer_.Put16(node, offsetof(KeyNodeHeader, class_name_length), classLength);
    writer_.Put32(node, offsetof(KeyNodeHeader, key_security_offset), *securityOffset);
    writer_.Put32(node, offsetof(KeyNodeHeader, number_of_key_values), static_cast<std::uint32_t>(valueOffsets_.size()));
    writer_.Put32(node, offsetof(KeyNodeHeader, key_values_list_offset), valueListOffset);
    writer_.Put32(node, offsetof(KeyNodeHeader, largest_value_name_length), largestValueName);
    writer_.Put32(node, offsetof(KeyNodeHeader, largest_value_data_size), largestValueData);

    // The parent's largest subkey class is known before its list is written.
    for (auto open = openKeys_.rbegin(); open != openKeys_.rend(); ++open) {
        if (open->offset != parentOffset) continue;
        open->largestSubkeyClass = std::max<std::uint32_t>(open->largestSubkeyClass, classLength);
        break;
    }
    openKeys_.push_back({node, key.subkeyNameFlags & 0xFFFF0000u, 0});
    ++keys_;
    values_ += static_cast<std::uint32_t>(valueOffsets_.size());
    return nodeOffset;
}

Status KeyTreeWriter::FinishKey(std::uint32_t keyOffset, const std::vector<SubkeyEntry>& subkeys) {
    // Keys written after this one and left unfinished (leaves, say) are done with too.
    auto open = std::find_if(openKeys_.rbegin(), openKeys_.rend(), [&](const OpenKey& k) { return k.offset == keyOffset; });
    if (open == openKeys_.rend())
        return MakeError(0, "hive writer: the key at " + Hex(keyOffset) + " is finished but was not written, or is finished twice");
    const OpenKey key = *open;
    openKeys_.erase(std::prev(open.base()), openKeys_.end());
    if (subkeys.empty()) return Done{};

    std::uint32_t largestName = 0;
    for (const auto& subkey : subkeys) largestName = std::max<std::uint32_t>(largestName, subkey.name.name.Length() * 2);
    auto list = WriteSubkeyList(writer_, subkeys, layout_);
    if (!list) return list.error();
    // Two runs of fields, so that a node already sent takes two patches rather than four.
    static_assert(offsetof(KeyNodeHeader, subkeys_list_offset) == offsetof(KeyNodeHeader, number_of_subkeys) + 8 &&
                  offsetof(KeyNodeHeader, largest_subkey_class_name_length) ==
                      offsetof(KeyNodeHeader, largest_subkey_name_length) + 4);
    std::uint8_t counts[12], largest[8];
    WriteLe32(counts, static_cast<std::uint32_t>(subkeys.size()));
    WriteLe32(counts + 4, 0);   // volatile subkeys never reach a file
    WriteLe32(counts + 8, *list);
    WriteLe32(largest, key.subkeyNameFlags | (largestName & 0xFFFF));
    WriteLe32(largest + 4, key.largestSubkeyClass);
    writer_.Write(keyOffset, offsetof(KeyNodeHeader, number_of_subkeys), counts);
    writer_.Write(keyOffset, offsetof(KeyNodeHeader, largest_subkey_name_length), largest);
    return Done{};
}

void KeyTreeWriter::FinishSecurity() {
    std::size_t n = security_.size();
    for (std::size_t i = 0; i < n; ++i) {
        LinkKeySecurity(writer_, security_[i].offset, security_[(i + 1) % n].offset,
                        security_[(i + n - 1) % n].offset, security_[i].references, security_[i].size);
    }
}

}  // namespace kelvara::regf
