// Key node ("nk"): one registry key.
#pragma once

#include <cstdint>
#include <string>

#include "regf/byte_order.h"
#include "regf/cell.h"
#include "regf/hive_writer.h"
#include "regf/names.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct KeyNodeHeader {
    Signature<2> signature;   // "nk"
    le16 flags;
    le64 last_written_timestamp;
    le32 access_bits;
    le32 parent;
    le32 number_of_subkeys;
    le32 number_of_volatile_subkeys;
    le32 subkeys_list_offset;
    le32 volatile_subkeys_list_offset;
    le32 number_of_key_values;
    le32 key_values_list_offset;
    le32 key_security_offset;
    le32 class_name_offset;
    le32 largest_subkey_name_length;    // low 16 bits; the high ones hold other flags
    le32 largest_subkey_class_name_length;
    le32 largest_value_name_length;
    le32 largest_value_data_size;
    le32 work_var;
    le16 key_name_length;
    le16 class_name_length;
};
#pragma pack(pop)
static_assert(sizeof(KeyNodeHeader) == 76);

namespace key_flags {
constexpr std::uint16_t KEY_VOLATILE = 0x0001;
constexpr std::uint16_t KEY_HIVE_EXIT = 0x0002;
constexpr std::uint16_t KEY_HIVE_ENTRY = 0x0004;
constexpr std::uint16_t KEY_NO_DELETE = 0x0008;
constexpr std::uint16_t KEY_SYM_LINK = 0x0010;
constexpr std::uint16_t KEY_COMP_NAME = 0x0020;
}  // namespace key_flags

// The smallest cell a key node can be in; also bounds how many keys a file can hold.
constexpr std::uint32_t kMinKeyNodeCell = 4 + sizeof(KeyNodeHeader);

struct KeyNode {
    std::uint32_t offset = 0;
    KeyNodeHeader header{};
    ByteSpan nameBytes;

    bool CompressedName() const { return (header.flags & key_flags::KEY_COMP_NAME) != 0; }
    StoredName Stored() const { return StoredNameOf(nameBytes, CompressedName()); }
    std::u16string Name() const;
    // The header where it lies in the cell, just before the name.
    const std::uint8_t* HeaderBytes() const { return nameBytes.data() - sizeof(KeyNodeHeader); }
};

Result<KeyNode> ReadKeyNode(const CellSpace& cells, std::uint32_t offset);
// The same into `node`, for the compactor's walk.
Status ReadKeyNode(const CellSpace& cells, std::uint32_t offset, KeyNode& node);

// Writes a key node with `name` (stored compressed when every character fits in a byte);
// the header's signature, name length and name flag are set from the name, in `header` too.
Result<std::uint32_t> WriteKeyNode(HiveWriter& writer, KeyNodeHeader& header, StoredName name);

}  // namespace kelvara::regf
