// Key security ("sk"): a security descriptor shared by keys, counted by reference, on a
// circular doubly linked list of all descriptors in the hive.
#pragma once

#include <cstdint>
#include <span>

#include "regf/byte_order.h"
#include "regf/cell.h"
#include "regf/hive_writer.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct KeySecurityHeader {
    Signature<2> signature;   // "sk"
    le16 reserved;
    le32 flink;
    le32 blink;
    le32 reference_count;
    le32 security_descriptor_size;
};
#pragma pack(pop)
static_assert(sizeof(KeySecurityHeader) == 20);

struct KeySecurity {
    std::uint32_t offset = 0;
    KeySecurityHeader header{};
    ByteSpan descriptor;
};

Result<KeySecurity> ReadKeySecurity(const CellSpace& cells, std::uint32_t offset);

// Writes a descriptor; its links point at itself and its count is 0 until LinkKeySecurity.
Result<std::uint32_t> WriteKeySecurity(HiveWriter& writer, std::span<const std::uint8_t> descriptor);
// Sets the links and the count of a descriptor of `descriptorSize` bytes written before.
void LinkKeySecurity(HiveWriter& writer, std::uint32_t offset, std::uint32_t flink, std::uint32_t blink,
                     std::uint32_t referenceCount, std::uint32_t descriptorSize);

}  // namespace kelvara::regf
