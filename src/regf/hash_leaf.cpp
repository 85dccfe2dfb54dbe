#include "regf/hash_leaf.h"

#include <cstddef>
#include <cstring>

#include "regf/errors.h"
#include "regf/names.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct HashLeafElement {
    le32 key_node_offset;
    le32 name_hash;
};
#pragma pack(pop)

Status ReadHashLeaf(const Cell& cell, std::vector<SubkeyElement>& out) {
    auto header = *cell.data.Read<SubkeyListHeader>(0);
    std::uint32_t count = header.number_of_elements;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto element = cell.data.Read<HashLeafElement>(sizeof header + i * sizeof(HashLeafElement));
        if (!element)
            return CellError("hash leaf", cell.offset, "expected " + std::to_string(count) +
                                                          " elements, the cell ends after " + std::to_string(i));
        out.push_back({element->key_node_offset, LeafForm::HashLeaf, element->name_hash, cell.offset});
    }
    return Done{};
}

Result<std::uint32_t> WriteHashLeaf(HiveWriter& writer, std::span<const SubkeyEntry> entries) {
    auto offset = writer.Allocate(sizeof(SubkeyListHeader) + entries.size() * sizeof(HashLeafElement));
    if (!offset) return offset;
    std::uint8_t* data = writer.Data(*offset);
    SubkeyListHeader header;
    header.signature.Set("lh");
    header.number_of_elements = static_cast<std::uint16_t>(entries.size());
    std::memcpy(data, &header, sizeof header);
    // Each element straight into the cell (see WriteKeyValue).
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::uint8_t* element = data + sizeof header + i * sizeof(HashLeafElement);
        WriteLe32(element + offsetof(HashLeafElement, key_node_offset), entries[i].keyNodeOffset);
        WriteLe32(element + offsetof(HashLeafElement, name_hash), entries[i].name.hash);
    }
    return offset;
}

}  // namespace kelvara::regf
