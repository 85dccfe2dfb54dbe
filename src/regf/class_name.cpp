#include "regf/class_name.h"

#include <cstring>

#include "regf/errors.h"
#include "regf/names.h"

namespace kelvara::regf {

Result<std::u16string> ReadClassName(const CellSpace& cells, const KeyNode& node, std::uint32_t* cellOffset) {
    if (cellOffset) *cellOffset = kNoCell;
    std::uint32_t length = node.header.class_name_length;
    std::uint32_t offset = node.header.class_name_offset;
    if (length == 0 || offset == kNoCell) return std::u16string();
    auto cell = cells.Allocated(offset, "class name");
    if (!cell) return cell.error();
    auto bytes = cell->data.Sub(0, length);
    if (!bytes)
        return CellError("class name", offset, "expected " + std::to_string(length) +
                                                   " bytes, found a cell of " + std::to_string(cell->size));
    if (cellOffset) *cellOffset = offset;
    return DecodeName(*bytes, false);
}

Result<std::uint32_t> WriteClassName(HiveWriter& writer, std::u16string_view className) {
    if (className.empty()) return kNoCell;
    std::string stored = EncodeName(className, false);
    if (stored.size() > 0xFFFF)
        return MakeError(0, "class name: " + std::to_string(className.size()) + " characters are too many to store");
    auto offset = writer.Allocate(stored.size());
    if (!offset) return offset;
    std::memcpy(writer.Data(*offset), stored.data(), stored.size());
    return offset;
}

}  // namespace kelvara::regf
