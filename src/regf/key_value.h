// Key value ("vk"): one named value of a key and where its data lives.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "regf/byte_order.h"
#include "regf/cell.h"
#include "regf/hive_writer.h"
#include "regf/names.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct KeyValueHeader {
    Signature<2> signature;   // "vk"
    le16 name_length;
    le32 data_size;           // the top bit set: the data is in data_offset itself
    le32 data_offset;
    le32 data_type;
    le16 flags;
    le16 spare;
};
#pragma pack(pop)
static_assert(sizeof(KeyValueHeader) == 20);

constexpr std::uint16_t VALUE_COMP_NAME = 0x0001;
constexpr std::uint32_t kDataInOffsetField = 0x80000000;
constexpr std::uint32_t kMaxResidentData = 4;

struct KeyValue {
    std::uint32_t offset = 0;
    KeyValueHeader header{};
    ByteSpan nameBytes;

    bool CompressedName() const { return (header.flags & VALUE_COMP_NAME) != 0; }
    StoredName Stored() const { return StoredNameOf(nameBytes, CompressedName()); }
    std::u16string Name() const;
    bool Resident() const { return (header.data_size & kDataInOffsetField) != 0; }
    std::uint32_t DataSize() const { return header.data_size & ~kDataInOffsetField; }
    // The header where it lies in the cell, just before the name.
    const std::uint8_t* HeaderBytes() const { return nameBytes.data() - sizeof(KeyValueHeader); }
};

Result<KeyValue> ReadKeyValue(const CellSpace& cells, std::uint32_t offset);
// The same into `value`, for the compactor's walk.
Status ReadKeyValue(const CellSpace& cells, std::uint32_t offset, KeyValue& value);

// The value's data, from the offset field, one data cell, or big data. The data cells read are
// appended to `cellsUsed` when given.
Result<std::vector<std::uint8_t>> ReadValueData(const CellSpace& cells, const KeyValue& value,
                                                std::uint32_t minorVersion,
                                                std::vector<std::uint32_t>* cellsUsed = nullptr);

// The same without copying data that lies in one cell: the span points into the hive, or into
// `scratch` for data kept in the offset field or in big data segments.
Result<std::span<const std::uint8_t>> ReadValueDataSpan(const CellSpace& cells, const KeyValue& value,
                                                        std::uint32_t minorVersion,
                                                        std::vector<std::uint32_t>* cellsUsed,
                                                        std::vector<std::uint8_t>& scratch);

// Writes the value and its data in the form the format version asks for.
Result<std::uint32_t> WriteKeyValue(HiveWriter& writer, StoredName name, std::uint32_t type,
                                    std::span<const std::uint8_t> data, std::uint32_t minorVersion);

}  // namespace kelvara::regf
