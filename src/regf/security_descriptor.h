// A self-relative security descriptor, the bytes a key security cell holds: the fixed part with
// the offsets of owner, group, SACL and DACL, and the SIDs and ACLs they point at, all inside
// the descriptor's own bytes.
#pragma once

#include <cstdint>
#include <string>

#include "regf/byte_order.h"
#include "regf/byte_span.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct SecurityDescriptorRelative {
    std::uint8_t revision;   // 1
    std::uint8_t sbz1;
    le16 control;            // SE_* flags; SE_SELF_RELATIVE set
    le32 owner;              // offsets from the descriptor's start; 0: none
    le32 group;
    le32 sacl;
    le32 dacl;
};
struct AclHeader {
    std::uint8_t acl_revision;   // 2, or 4 with object ACEs
    std::uint8_t sbz1;
    le16 acl_size;               // the header, every ACE and any unused room after them
    le16 ace_count;
    le16 sbz2;
};
struct AceHeader {
    std::uint8_t ace_type;
    std::uint8_t ace_flags;
    le16 ace_size;               // the whole ACE, a multiple of 4
};
struct SidHeader {
    std::uint8_t revision;              // 1
    std::uint8_t sub_authority_count;   // at most 15, 4 bytes each after the header
    std::uint8_t identifier_authority[6];
};
#pragma pack(pop)
static_assert(sizeof(SecurityDescriptorRelative) == 20);
static_assert(sizeof(AclHeader) == 8);
static_assert(sizeof(AceHeader) == 4);
static_assert(sizeof(SidHeader) == 8);

constexpr std::uint16_t kSeDaclPresent = 0x0004;
constexpr std::uint16_t kSeSaclPresent = 0x0010;
constexpr std::uint16_t kSeSelfRelative = 0x8000;

// "" when the descriptor holds together as Microsoft documents a self-relative one, else the
// first rule it breaks, with the offset inside the descriptor.
std::string SecurityDescriptorProblem(ByteSpan descriptor);

}  // namespace kelvara::regf
