#include "regf/index_leaf.h"

#include "regf/errors.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct IndexLeafElement {
    le32 key_node_offset;
};
#pragma pack(pop)

Status ReadIndexLeaf(const Cell& cell, std::vector<SubkeyElement>& out) {
    auto header = *cell.data.Read<SubkeyListHeader>(0);
    std::uint32_t count = header.number_of_elements;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto element = cell.data.Read<IndexLeafElement>(sizeof header + i * sizeof(IndexLeafElement));
        if (!element)
            return CellError("index leaf", cell.offset, "expected " + std::to_string(count) +
                                                            " elements, the cell ends after " + std::to_string(i));
        out.push_back({element->key_node_offset, LeafForm::IndexLeaf, 0, cell.offset});
    }
    return Done{};
}

Result<std::uint32_t> WriteIndexLeaf(HiveWriter& writer, std::span<const SubkeyEntry> entries) {
    auto offset = writer.Allocate(sizeof(SubkeyListHeader) + entries.size() * sizeof(IndexLeafElement));
    if (!offset) return offset;
    std::uint8_t* data = writer.Data(*offset);
    SubkeyListHeader header;
    header.signature.Set("li");
    header.number_of_elements = static_cast<std::uint16_t>(entries.size());
    std::memcpy(data, &header, sizeof header);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        IndexLeafElement element;
        element.key_node_offset = entries[i].keyNodeOffset;
        std::memcpy(data + sizeof header + i * sizeof element, &element, sizeof element);
    }
    return offset;
}

}  // namespace kelvara::regf
