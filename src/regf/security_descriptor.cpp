// What Windows needs of a key's descriptor before it can use it: every offset inside it, each
// SID and ACL whole. Windows asks its own validity routine the same before it loads a key's
// security; a descriptor that fails would leave the key unreadable or open to all.
#include "regf/security_descriptor.h"

#include "regf/errors.h"

namespace kelvara::regf {

namespace {

constexpr std::uint8_t kDescriptorRevision = 1;
constexpr std::uint8_t kSidRevision = 1;
constexpr std::uint8_t kMaxSubAuthorities = 15;
constexpr std::uint8_t kAclRevision = 2;
constexpr std::uint8_t kAclRevisionDs = 4;

std::string At(const char* what, std::uint32_t offset) { return std::string(what) + " at " + Hex(offset); }

std::string SidProblem(ByteSpan descriptor, std::uint32_t offset, const char* what) {
    auto sid = descriptor.Read<SidHeader>(offset);
    if (!sid) return At(what, offset) + ": the SID runs past the descriptor's end";
    if (sid->revision != kSidRevision)
        return At(what, offset) + ": SID revision " + std::to_string(sid->revision) + ", expected 1";
    if (sid->sub_authority_count > kMaxSubAuthorities)
        return At(what, offset) + ": " + std::to_string(sid->sub_authority_count) + " sub-authorities, at most 15 allowed";
    if (!descriptor.Sub(offset, sizeof(SidHeader) + 4u * sid->sub_authority_count))
        return At(what, offset) + ": its " + std::to_string(sid->sub_authority_count) +
               " sub-authorities run past the descriptor's end";
    return "";
}

std::string AclProblem(ByteSpan descriptor, std::uint32_t offset, const char* what) {
    if (offset % 4 != 0) return At(what, offset) + ": an ACL begins on a 4-byte boundary";
    auto acl = descriptor.Read<AclHeader>(offset);
    if (!acl) return At(what, offset) + ": the ACL header runs past the descriptor's end";
    if (acl->acl_revision != kAclRevision && acl->acl_revision != kAclRevisionDs)
        return At(what, offset) + ": ACL revision " + std::to_string(acl->acl_revision) + ", expected 2 or 4";
    const std::uint32_t size = acl->acl_size;
    if (size < sizeof(AclHeader)) return At(what, offset) + ": ACL size " + std::to_string(size) + " is below its header's 8";
    auto body = descriptor.Sub(offset, size);
    if (!body) return At(what, offset) + ": the ACL of " + std::to_string(size) + " bytes runs past the descriptor's end";
    std::uint32_t at = sizeof(AclHeader);
    for (std::uint32_t i = 0; i < acl->ace_count; ++i) {
        auto ace = body->Read<AceHeader>(at);
        if (!ace)
            return At(what, offset) + ": ACE " + std::to_string(i) + " of " + std::to_string(acl->ace_count) +
                   " lies past the ACL's " + std::to_string(size) + " bytes";
        const std::uint32_t aceSize = ace->ace_size;
        if (aceSize < sizeof(AceHeader) || aceSize % 4 != 0 || aceSize > size - at)
            return At(what, offset) + ": ACE " + std::to_string(i) + " has size " + std::to_string(aceSize) +
                   " (a multiple of 4 within the ACL's " + std::to_string(size - at) + " remaining bytes expected)";
        at += aceSize;
    }
    return "";
}

}  // namespace

std::string SecurityDescriptorProblem(ByteSpan descriptor) {
    auto header = descriptor.Read<SecurityDescriptorRelative>();
    if (!header) return "a self-relative descriptor is at least 20 bytes, found " + std::to_string(descriptor.size());
    if (header->revision != kDescriptorRevision)
        return "descriptor revision " + std::to_string(header->revision) + ", expected 1";
    const std::uint16_t control = header->control;
    if (!(control & kSeSelfRelative)) return "the control flags " + Hex(control) + " lack SE_SELF_RELATIVE (0x8000)";
    struct Part {
        const char* what;
        std::uint32_t offset;
        bool acl;
        bool used;
    } parts[] = {
        {"owner", header->owner, false, true},
        {"group", header->group, false, true},
        // An ACL's offset counts only with its present flag; 0 with the flag is a NULL ACL.
        {"SACL", header->sacl, true, (control & kSeSaclPresent) != 0},
        {"DACL", header->dacl, true, (control & kSeDaclPresent) != 0},
    };
    for (const auto& part : parts) {
        if (!part.used || part.offset == 0) continue;
        if (part.offset < sizeof(SecurityDescriptorRelative) || part.offset >= descriptor.size())
            return At(part.what, part.offset) + ": outside the descriptor's " + std::to_string(descriptor.size()) +
                   " bytes after its 20-byte header";
        auto problem = part.acl ? AclProblem(descriptor, part.offset, part.what) : SidProblem(descriptor, part.offset, part.what);
        if (!problem.empty()) return problem;
    }
    return "";
}

}  // namespace kelvara::regf
