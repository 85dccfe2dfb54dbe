#include "regf/value_list.h"

#include "regf/byte_order.h"
#include "regf/errors.h"

namespace kelvara::regf {

Result<ByteSpan> ReadValueListBytes(const CellSpace& cells, std::uint32_t offset, std::uint32_t count) {
    Cell cell;
    if (auto found = cells.Allocated(offset, "key values list", cell); !found) return found.error();
    // The count comes from the key node; the cell must really hold that many elements before
    // anything is allocated for them.
    if (count > cell.data.size() / 4)
        return CellError("key values list", offset, "expected " + std::to_string(count) +
                                                        " elements, found room for " +
                                                        std::to_string(cell.data.size() / 4));
    return *cell.data.Sub(0, 4 * std::size_t{count});
}

Result<std::vector<std::uint32_t>> ReadValueList(const CellSpace& cells, std::uint32_t offset,
                                                 std::uint32_t count) {
    auto bytes = ReadValueListBytes(cells, offset, count);
    if (!bytes) return bytes.error();
    std::vector<std::uint32_t> values(count);
    for (std::uint32_t i = 0; i < count; ++i) values[i] = ReadLe32(bytes->data() + 4 * i);
    return values;
}

Result<std::uint32_t> WriteValueList(HiveWriter& writer, const std::vector<std::uint32_t>& values) {
    auto offset = writer.Allocate(4 * values.size());
    if (!offset) return offset;
    std::uint8_t* data = writer.Data(*offset);
    for (std::size_t i = 0; i < values.size(); ++i) WriteLe32(data + 4 * i, values[i]);
    return offset;
}

}  // namespace kelvara::regf
