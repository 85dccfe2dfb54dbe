#include "regf/key_node.h"

#include <cstring>

#include "regf/errors.h"
#include "regf/named_cell.h"
#include "regf/names.h"

namespace kelvara::regf {

std::u16string KeyNode::Name() const { return DecodeName(nameBytes, CompressedName()); }

Status ReadKeyNode(const CellSpace& cells, std::uint32_t offset, KeyNode& node) {
    node.offset = offset;
    return ReadNamedCell(cells, offset, "key node", "nk", &KeyNodeHeader::key_name_length, node.header, node.nameBytes);
}

Result<KeyNode> ReadKeyNode(const CellSpace& cells, std::uint32_t offset) {
    KeyNode node;
    if (auto read = ReadKeyNode(cells, offset, node); !read) return read.error();
    return node;
}

Result<std::uint32_t> WriteKeyNode(HiveWriter& writer, KeyNodeHeader& header, StoredName name) {
    const bool compressed = FitsCompressed(name);
    const std::uint32_t storedSize = compressed ? name.Length() : 2 * name.Length();
    if (storedSize > 0xFFFF)
        return MakeError(0, "key node: a name of " + std::to_string(name.Length()) + " characters is too long to store");
    header.signature.Set("nk");
    header.flags = static_cast<std::uint16_t>((header.flags & ~key_flags::KEY_COMP_NAME) |
                                              (compressed ? key_flags::KEY_COMP_NAME : 0));
    header.key_name_length = static_cast<std::uint16_t>(storedSize);
    auto offset = writer.Allocate(sizeof header + storedSize);
    if (!offset) return offset;
    std::uint8_t* data = writer.Data(*offset);
    std::memcpy(data, &header, sizeof header);
    StoreName(name, compressed, data + sizeof header);
    return offset;
}

}  // namespace kelvara::regf
