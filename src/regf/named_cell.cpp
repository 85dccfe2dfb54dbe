#include "regf/named_cell.h"

namespace kelvara::regf {

Error NamedCellTooSmall(const char* structure, std::uint32_t offset, std::size_t needed, std::uint32_t size) {
    return CellError(structure, offset,
                     "expected at least " + std::to_string(needed) + " bytes, found a cell of " + std::to_string(size));
}

Error NamedCellWrongSignature(const char* structure, std::uint32_t offset, const char* expected, const char found[2]) {
    return CellError(structure, offset,
                     "expected signature \"" + std::string(expected) + "\", found \"" + std::string(found, 2) + "\"");
}

Error NamedCellNameTooLong(const char* structure, std::uint32_t offset, std::uint16_t length) {
    return CellError(structure, offset, "name of " + std::to_string(length) + " bytes runs past the end of its cell");
}

}  // namespace kelvara::regf
