#include "regf/class_name.h"

#include <cstring>

#include "regf/errors.h"
#include "regf/names.h"

namespace kelvara::regf {

Result<std::u16string> ReadClassName(const CellSpace& cells, const KeyNode& node, std::uint32_t* cellOffset) {
    auto stored = ReadStoredClassName(cells, node, cellOffset);
    if (!stored) return stored.error();
    return stored->Decode();
}

Result<StoredName> ReadStoredClassName(const CellSpace& cells, const KeyNode& node, std::uint32_t* cellOffset) {
    if (cellOffset) *cellOffset = kNoCell;
    std::uint32_t length = node.header.class_name_length;
    std::uint32_t offset = node.header.class_name_offset;
    if (length == 0 || offset == kNoCell) return StoredName{};
    auto cell = cells.Allocated(offset, "class name");
    if (!cell) return cell.error();
    auto bytes = cell->data.Sub(0, length);
    if (!bytes)
        return CellError("class name", offset, "expected " + std::to_string(length) +
                                                   " bytes, found a cell of " + std::to_string(cell->size));
    if (cellOffset) *cellOffset = offset;
    return StoredNameOf(*bytes, false);
}

Result<std::uint32_t> WriteClassName(HiveWriter& writer, StoredName className) {
    if (className.Length() == 0) return kNoCell;
    const std::uint32_t storedSize = 2 * className.Length();
    if (storedSize > 0xFFFF)
        return MakeError(0, "class name: " + std::to_string(className.Length()) + " characters are too many to store");
    auto offset = writer.Allocate(storedSize);
    if (!offset) return offset;
    StoreName(className, false, writer.Data(*offset));
    return offset;
}

}  // namespace kelvara::regf
