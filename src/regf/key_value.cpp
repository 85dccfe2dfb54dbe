#include "regf/key_value.h"

#include <cstddef>
#include <cstring>

#include "regf/big_data.h"
#include "regf/errors.h"
#include "regf/named_cell.h"
#include "regf/names.h"

namespace kelvara::regf {

std::u16string KeyValue::Name() const { return DecodeName(nameBytes, CompressedName()); }

Status ReadKeyValue(const CellSpace& cells, std::uint32_t offset, KeyValue& value) {
    value.offset = offset;
    return ReadNamedCell(cells, offset, "key value", "vk", &KeyValueHeader::name_length, value.header, value.nameBytes);
}

Result<KeyValue> ReadKeyValue(const CellSpace& cells, std::uint32_t offset) {
    KeyValue value;
    if (auto read = ReadKeyValue(cells, offset, value); !read) return read.error();
    return value;
}

Result<std::span<const std::uint8_t>> ReadValueDataSpan(const CellSpace& cells, const KeyValue& value,
                                                        std::uint32_t minorVersion,
                                                        std::vector<std::uint32_t>* cellsUsed,
                                                        std::vector<std::uint8_t>& scratch) {
    std::uint32_t size = value.DataSize();
    if (value.Resident()) {
        if (size > kMaxResidentData)
            return CellError("key value", value.offset, "data kept in the offset field must be at most 4 bytes, found " +
                                                            std::to_string(size));
        scratch.resize(4);
        WriteLe32(scratch.data(), value.header.data_offset);
        return std::span<const std::uint8_t>(scratch.data(), size);
    }
    if (size == 0) return std::span<const std::uint8_t>();
    // A data size beyond the hive bins cannot be real; refuse it before allocating anything.
    if (size > cells.HiveBinsSize())
        return CellError("key value", value.offset, "data size " + std::to_string(size) +
                                                        " is larger than the hive bins (" +
                                                        std::to_string(cells.HiveBinsSize()) + " bytes)");
    std::uint32_t dataOffset = value.header.data_offset;
    if (minorVersion >= kBigDataMinMinorVersion && size > kBigDataSegmentSize) {
        auto data = ReadBigData(cells, dataOffset, size, cellsUsed);
        if (!data) return data.error();
        scratch = std::move(data.value());
        return std::span<const std::uint8_t>(scratch);
    }
    Cell cell;
    if (auto found = cells.Allocated(dataOffset, "value data", cell); !found) return found.error();
    if (cell.data.size() < size)
        return CellError("value data", dataOffset, "expected " + std::to_string(size) +
                                                       " bytes, found a cell of " + std::to_string(cell.size));
    if (cellsUsed) cellsUsed->push_back(dataOffset);
    return std::span<const std::uint8_t>(cell.data.data(), size);
}

Result<std::vector<std::uint8_t>> ReadValueData(const CellSpace& cells, const KeyValue& value,
                                                std::uint32_t minorVersion,
                                                std::vector<std::uint32_t>* cellsUsed) {
    std::vector<std::uint8_t> scratch;
    auto data = ReadValueDataSpan(cells, value, minorVersion, cellsUsed, scratch);
    if (!data) return data.error();
    return std::vector<std::uint8_t>(data->begin(), data->end());
}

namespace {

[[gnu::cold]] Error TooLargeToStore(StoredName name, std::size_t dataSize) {
    if (dataSize >= kDataInOffsetField)
        return MakeError(0, "key value: " + std::to_string(dataSize) + " bytes of data are too many to store");
    return MakeError(0, "key value: a name of " + std::to_string(name.Length()) + " characters is too long to store");
}

// The cell or cells that hold data too large for the offset field.
Result<std::uint32_t> WriteDataCells(HiveWriter& writer, std::span<const std::uint8_t> data, std::uint32_t minorVersion) {
    if (minorVersion >= kBigDataMinMinorVersion && data.size() > kBigDataSegmentSize) return WriteBigData(writer, data);
    auto cell = writer.Allocate(data.size());
    if (cell) std::memcpy(writer.Data(*cell), data.data(), data.size());
    return cell;
}

}  // namespace

Result<std::uint32_t> WriteKeyValue(HiveWriter& writer, StoredName name, std::uint32_t type,
                                    std::span<const std::uint8_t> data, std::uint32_t minorVersion) {
    const bool compressed = FitsCompressed(name);
    const std::uint32_t storedSize = compressed ? name.Length() : 2 * name.Length();
    if (storedSize > 0xFFFF || data.size() >= kDataInOffsetField) [[unlikely]]
        return TooLargeToStore(name, data.size());

    const auto size = static_cast<std::uint32_t>(data.size());
    std::uint32_t dataSize = size, dataOffset = 0;
    if (size <= kMaxResidentData) {
        // Up to four bytes live in the offset field itself, the first byte lowest.
        for (std::uint32_t i = 0; i < size; ++i) dataOffset |= std::uint32_t{data[i]} << (8 * i);
        dataSize |= kDataInOffsetField;
    } else {
        auto dataCell = WriteDataCells(writer, data, minorVersion);
        if (!dataCell) return dataCell;
        dataOffset = *dataCell;
    }
    auto offset = writer.Allocate(sizeof(KeyValueHeader) + storedSize);
    if (!offset) return offset;
    // Field by field straight into the cell: a header put together aside and copied whole would
    // make the processor wait for the copy to gather its freshly written parts.
    std::uint8_t* cell = writer.Data(*offset);
    std::memcpy(cell + offsetof(KeyValueHeader, signature), "vk", 2);
    WriteLe16(cell + offsetof(KeyValueHeader, name_length), static_cast<std::uint16_t>(storedSize));
    WriteLe32(cell + offsetof(KeyValueHeader, data_size), dataSize);
    WriteLe32(cell + offsetof(KeyValueHeader, data_offset), dataOffset);
    WriteLe32(cell + offsetof(KeyValueHeader, data_type), type);
    WriteLe16(cell + offsetof(KeyValueHeader, flags), compressed ? VALUE_COMP_NAME : 0);
    WriteLe16(cell + offsetof(KeyValueHeader, spare), 0);
    StoreName(name, compressed, cell + sizeof(KeyValueHeader));
    return offset;
}

}  // namespace kelvara::regf
