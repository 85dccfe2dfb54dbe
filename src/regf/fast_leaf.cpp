#include "regf/fast_leaf.h"

#include <cstddef>
#include <cstring>

#include "regf/errors.h"
#include "regf/names.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct FastLeafElement {
    le32 key_node_offset;
    le32 name_hint;
};
#pragma pack(pop)

Status ReadFastLeaf(const Cell& cell, std::vector<SubkeyElement>& out) {
    auto header = *cell.data.Read<SubkeyListHeader>(0);
    std::uint32_t count = header.number_of_elements;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto element = cell.data.Read<FastLeafElement>(sizeof header + i * sizeof(FastLeafElement));
        if (!element)
            return CellError("fast leaf", cell.offset, "expected " + std::to_string(count) +
                                                          " elements, the cell ends after " + std::to_string(i));
        out.push_back({element->key_node_offset, LeafForm::FastLeaf, element->name_hint, cell.offset});
    }
    return Done{};
}

Result<std::uint32_t> WriteFastLeaf(HiveWriter& writer, std::span<const SubkeyEntry> entries) {
    auto offset = writer.Allocate(sizeof(SubkeyListHeader) + entries.size() * sizeof(FastLeafElement));
    if (!offset) return offset;
    std::uint8_t* data = writer.Data(*offset);
    SubkeyListHeader header;
    header.signature.Set("lf");
    header.number_of_elements = static_cast<std::uint16_t>(entries.size());
    std::memcpy(data, &header, sizeof header);
    // Each element straight into the cell (see WriteKeyValue).
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::uint8_t* element = data + sizeof header + i * sizeof(FastLeafElement);
        WriteLe32(element + offsetof(FastLeafElement, key_node_offset), entries[i].keyNodeOffset);
        WriteLe32(element + offsetof(FastLeafElement, name_hint), NameHint(entries[i].name.name));
    }
    return offset;
}

}  // namespace kelvara::regf
