#include "regf/key_node.h"

#include <cstring>

#include "regf/errors.h"
#include "regf/names.h"

namespace kelvara::regf {

std::u16string KeyNode::Name() const { return DecodeName(nameBytes, CompressedName()); }

Result<KeyNode> ReadKeyNode(const CellSpace& cells, std::uint32_t offset) {
    auto cell = cells.Allocated(offset, "key node");
    if (!cell) return cell.error();
    auto header = cell->data.Read<KeyNodeHeader>(0);
    if (!header)
        return CellError("key node", offset, "expected at least " + std::to_string(sizeof(KeyNodeHeader)) +
                                                 " bytes, found a cell of " + std::to_string(cell->size));
    if (!header->signature.Is("nk"))
        return CellError("key node", offset, "expected signature \"nk\", found \"" +
                                                 std::string(header->signature.chars, 2) + "\"");
    auto name = cell->data.Sub(sizeof(KeyNodeHeader), header->key_name_length);
    if (!name)
        return CellError("key node", offset, "name of " + std::to_string(header->key_name_length) +
                                                 " bytes runs past the end of its cell");
    KeyNode node;
    node.offset = offset;
    node.header = *header;
    node.nameBytes = *name;
    return node;
}

Result<std::uint32_t> WriteKeyNode(HiveWriter& writer, KeyNodeHeader header, std::u16string_view name) {
    bool compressed = FitsCompressed(name);
    std::string stored = EncodeName(name, compressed);
    if (stored.size() > 0xFFFF)
        return MakeError(0, "key node: a name of " + std::to_string(name.size()) + " characters is too long to store");
    header.signature.Set("nk");
    header.flags = static_cast<std::uint16_t>((header.flags & ~key_flags::KEY_COMP_NAME) |
                                              (compressed ? key_flags::KEY_COMP_NAME : 0));
    header.key_name_length = static_cast<std::uint16_t>(stored.size());
    auto offset = writer.Allocate(sizeof header + stored.size());
    if (!offset) return offset;
    std::uint8_t* data = writer.Data(*offset);
    std::memcpy(data, &header, sizeof header);
    std::memcpy(data + sizeof header, stored.data(), stored.size());
    return offset;
}

}  // namespace kelvara::regf
