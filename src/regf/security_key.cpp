#include "regf/security_key.h"

#include <cstring>

#include "regf/errors.h"
#include "regf/security_descriptor.h"

namespace kelvara::regf {

Result<KeySecurity> ReadKeySecurity(const CellSpace& cells, std::uint32_t offset) {
    auto cell = cells.Allocated(offset, "key security");
    if (!cell) return cell.error();
    auto header = cell->data.Read<KeySecurityHeader>(0);
    if (!header)
        return CellError("key security", offset, "expected at least 20 bytes, found a cell of " +
                                                     std::to_string(cell->size));
    if (!header->signature.Is("sk"))
        return CellError("key security", offset, "expected signature \"sk\", found \"" +
                                                     std::string(header->signature.chars, 2) + "\"");
    std::uint32_t size = header->security_descriptor_size;
    auto descriptor = cell->data.Sub(sizeof(KeySecurityHeader), size);
    if (!descriptor)
        return CellError("key security", offset, "security descriptor of " + std::to_string(size) +
                                                     " bytes runs past the end of its cell");
    if (auto problem = SecurityDescriptorProblem(*descriptor); !problem.empty())
        return CellError("key security", offset, "security descriptor: " + problem);
    KeySecurity security;
    security.offset = offset;
    security.header = *header;
    security.descriptor = *descriptor;
    return security;
}

Result<std::uint32_t> WriteKeySecurity(HiveWriter& writer, std::span<const std::uint8_t> descriptor) {
    auto offset = writer.Allocate(sizeof(KeySecurityHeader) + descriptor.size());
    if (!offset) return offset;
    KeySecurityHeader header{};
    header.signature.Set("sk");
    header.flink = *offset;
    header.blink = *offset;
    header.security_descriptor_size = static_cast<std::uint32_t>(descriptor.size());
    std::memcpy(writer.Data(*offset), &header, sizeof header);
    if (!descriptor.empty()) std::memcpy(writer.Data(*offset) + sizeof header, descriptor.data(), descriptor.size());
    return offset;
}

void LinkKeySecurity(HiveWriter& writer, std::uint32_t offset, std::uint32_t flink, std::uint32_t blink,
                     std::uint32_t referenceCount, std::uint32_t descriptorSize) {
    // The whole header again: the cell may have left memory by now.
    KeySecurityHeader header{};
    header.signature.Set("sk");
    header.flink = flink;
    header.blink = blink;
    header.reference_count = referenceCount;
    header.security_descriptor_size = descriptorSize;
    writer.Put(offset, header);
}

}  // namespace kelvara::regf
