#include "regf/big_data.h"

#include <algorithm>
#include <cstring>

#include "regf/errors.h"

namespace kelvara::regf {

Result<std::vector<std::uint8_t>> ReadBigData(const CellSpace& cells, std::uint32_t offset,
                                              std::uint32_t dataSize, std::vector<std::uint32_t>* cellsUsed) {
    auto cell = cells.Allocated(offset, "big data");
    if (!cell) return cell.error();
    auto header = cell->data.Read<BigDataHeader>(0);
    if (!header || !header->signature.Is("db"))
        return CellError("big data", offset, "expected signature \"db\" for data of " +
                                                 std::to_string(dataSize) + " bytes");
    std::uint32_t needed = (dataSize + kBigDataSegmentSize - 1) / kBigDataSegmentSize;
    if (header->number_of_segments != needed)
        return CellError("big data", offset, "expected " + std::to_string(needed) + " segments for " +
                                                 std::to_string(dataSize) + " bytes, found " +
                                                 std::to_string(header->number_of_segments));
    auto list = cells.Allocated(header->segments_list_offset, "big data segment list");
    if (!list) return list.error();
    if (list->data.size() / 4 < needed)
        return CellError("big data segment list", list->offset,
                         "expected " + std::to_string(needed) + " elements, found room for " +
                             std::to_string(list->data.size() / 4));
    if (cellsUsed) {
        cellsUsed->push_back(offset);
        cellsUsed->push_back(list->offset);
    }
    std::vector<std::uint8_t> data;
    data.reserve(dataSize);
    for (std::uint32_t i = 0; i < needed; ++i) {
        std::uint32_t segmentOffset = ReadLe32(list->data.data() + 4 * i);
        auto segment = cells.Allocated(segmentOffset, "big data segment");
        if (!segment) return segment.error();
        std::uint32_t part = std::min(kBigDataSegmentSize, dataSize - static_cast<std::uint32_t>(data.size()));
        if (segment->data.size() < part)
            return CellError("big data segment", segmentOffset,
                             "expected " + std::to_string(part) + " bytes, found a cell of " +
                                 std::to_string(segment->size));
        data.insert(data.end(), segment->data.data(), segment->data.data() + part);
        if (cellsUsed) cellsUsed->push_back(segmentOffset);
    }
    return data;
}

Result<std::uint32_t> WriteBigData(HiveWriter& writer, std::span<const std::uint8_t> data) {
    std::size_t count = (data.size() + kBigDataSegmentSize - 1) / kBigDataSegmentSize;
    if (count > 0xFFFF) return MakeError(0, "big data: " + std::to_string(data.size()) + " bytes are too many to store");
    std::vector<std::uint32_t> segments;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t begin = i * kBigDataSegmentSize;
        std::size_t part = std::min<std::size_t>(kBigDataSegmentSize, data.size() - begin);
        // Every segment gets a full-size cell, the last one too, as Windows writes them: hivex,
        // reglookup, libregf and Parse::Win32Registry take a segment's length from its cell and
        // read a value with a short last one short or empty (LAYOUT.md). The unused tail is
        // zeroed, so equal content gives equal files.
        auto segment = writer.Allocate(kBigDataSegmentSize);
        if (!segment) return segment;
        std::uint8_t* cell = writer.Data(*segment);
        std::memcpy(cell, data.data() + begin, part);
        std::memset(cell + part, 0, writer.DataSize(*segment) - part);
        segments.push_back(*segment);
    }
    auto list = writer.Allocate(4 * segments.size());
    if (!list) return list;
    for (std::size_t i = 0; i < segments.size(); ++i) WriteLe32(writer.Data(*list) + 4 * i, segments[i]);
    auto offset = writer.Allocate(sizeof(BigDataHeader));
    if (!offset) return offset;
    BigDataHeader header{};
    header.signature.Set("db");
    header.number_of_segments = static_cast<std::uint16_t>(count);
    header.segments_list_offset = *list;
    std::memcpy(writer.Data(*offset), &header, sizeof header);
    return offset;
}

}  // namespace kelvara::regf
