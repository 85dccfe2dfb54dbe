#include "regf/index_root.h"

#include "regf/errors.h"
#include "regf/subkey_list_types.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct IndexRootElement {
    le32 subkeys_list_offset;
};
#pragma pack(pop)

Result<std::vector<std::uint32_t>> ReadIndexRoot(const Cell& cell) {
    auto header = *cell.data.Read<SubkeyListHeader>(0);
    std::uint32_t count = header.number_of_elements;
    std::vector<std::uint32_t> leaves;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto element = cell.data.Read<IndexRootElement>(sizeof header + i * sizeof(IndexRootElement));
        if (!element)
            return CellError("index root", cell.offset, "expected " + std::to_string(count) +
                                                            " elements, the cell ends after " + std::to_string(i));
        leaves.push_back(element->subkeys_list_offset);
    }
    return leaves;
}

Result<std::uint32_t> WriteIndexRoot(HiveWriter& writer, const std::vector<std::uint32_t>& leaves) {
    auto offset = writer.Allocate(sizeof(SubkeyListHeader) + leaves.size() * sizeof(IndexRootElement));
    if (!offset) return offset;
    std::uint8_t* data = writer.Data(*offset);
    SubkeyListHeader header;
    header.signature.Set("ri");
    header.number_of_elements = static_cast<std::uint16_t>(leaves.size());
    std::memcpy(data, &header, sizeof header);
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        IndexRootElement element;
        element.subkeys_list_offset = leaves[i];
        std::memcpy(data + sizeof header + i * sizeof element, &element, sizeof element);
    }
    return offset;
}

}  // namespace kelvara::regf
