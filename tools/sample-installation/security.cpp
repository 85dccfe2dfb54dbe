#include "security.h"

#include <stdexcept>

namespace kelvara::sample {

namespace {

constexpr std::uint16_t SelfRelative = 0x8000;
constexpr std::uint16_t DaclPresent = 0x0004;
constexpr std::uint16_t SaclPresent = 0x0010;
constexpr std::uint16_t DaclAutoInherited = 0x0400;
constexpr std::uint16_t SaclAutoInherited = 0x0800;
constexpr std::uint16_t DaclProtected = 0x1000;

void Put16(Bytes& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

Bytes EncodeAcl(const std::vector<Ace>& aces) {
    Bytes acl(8, 0);
    acl[0] = 2;   // ACL_REVISION
    for (const auto& a : aces) {
        const Bytes sid = Sid(a.sid);
        Bytes entry(8, 0);
        entry[0] = a.type;
        entry[1] = a.flags;
        Put16(entry, 2, static_cast<std::uint16_t>(8 + sid.size()));
        Put32(entry, 4, a.mask);
        Append(entry, sid);
        Append(acl, entry);
    }
    Put16(acl, 2, static_cast<std::uint16_t>(acl.size()));
    Put16(acl, 4, static_cast<std::uint16_t>(aces.size()));
    return acl;
}

Ace Allow(std::uint32_t accessMask, const std::string& sid,
          std::uint8_t flags = ace::ContainerInherit) {
    return Ace{ace::AccessAllowed, flags, accessMask, sid};
}

}  // namespace

Bytes Sid(const std::string& text) {
    // S-<revision>-<authority>-<sub>-<sub>...
    std::vector<std::uint64_t> parts;
    std::size_t at = 2;
    if (text.rfind("S-", 0) != 0) throw std::invalid_argument("not a SID: " + text);
    while (at <= text.size()) {
        std::size_t end = text.find('-', at);
        if (end == std::string::npos) end = text.size();
        parts.push_back(std::stoull(text.substr(at, end - at)));
        at = end + 1;
    }
    if (parts.size() < 2 || parts.size() - 2 > 15) throw std::invalid_argument("bad SID: " + text);
    Bytes out(8, 0);
    out[0] = static_cast<std::uint8_t>(parts[0]);
    out[1] = static_cast<std::uint8_t>(parts.size() - 2);
    for (int i = 0; i < 6; ++i) out[2 + i] = static_cast<std::uint8_t>(parts[1] >> (8 * (5 - i)));
    for (std::size_t i = 2; i < parts.size(); ++i) {
        Bytes sub(4, 0);
        Put32(sub, 0, static_cast<std::uint32_t>(parts[i]));
        Append(out, sub);
    }
    return out;
}

Bytes Encode(const Descriptor& d) {
    Bytes out(20, 0);
    out[0] = 1;   // SECURITY_DESCRIPTOR_REVISION
    std::uint16_t control = SelfRelative | DaclPresent | DaclAutoInherited;
    if (d.protectedDacl) control |= DaclProtected;
    if (!d.sacl.empty()) {
        control |= SaclPresent | SaclAutoInherited;
        Put32(out, 12, static_cast<std::uint32_t>(out.size()));
        Append(out, EncodeAcl(d.sacl));
    }
    Put32(out, 16, static_cast<std::uint32_t>(out.size()));
    Append(out, EncodeAcl(d.dacl));
    Put32(out, 4, static_cast<std::uint32_t>(out.size()));
    Append(out, Sid(d.owner));
    Put32(out, 8, static_cast<std::uint32_t>(out.size()));
    Append(out, Sid(d.group));
    Put16(out, 2, control);
    return out;
}

Descriptor Inherited(Descriptor d) {
    auto mark = [](std::vector<Ace>& aces) {
        for (auto& a : aces) {
            if (a.flags & (ace::ContainerInherit | ace::ObjectInherit)) a.flags |= ace::Inherited;
            a.flags &= static_cast<std::uint8_t>(~ace::InheritOnly);
        }
    };
    mark(d.dacl);
    mark(d.sacl);
    d.protectedDacl = false;
    return d;
}

Descriptor MachineKey() {
    return Descriptor{sids::Administrators, sids::System,
                      {Allow(mask::KeyRead, sids::Users),
                       Allow(mask::KeyAllAccess, sids::Administrators),
                       Allow(mask::KeyAllAccess, sids::System),
                       Allow(mask::GenericAll, sids::CreatorOwner,
                             ace::ContainerInherit | ace::InheritOnly),
                       Allow(mask::KeyRead, sids::AllAppPackages)},
                      {},
                      false};
}

Descriptor TrustedInstallerKey() {
    return Descriptor{sids::TrustedInstaller, sids::TrustedInstaller,
                      {Allow(mask::KeyAllAccess, sids::TrustedInstaller),
                       Allow(mask::KeyRead, sids::System),
                       Allow(mask::KeyRead, sids::Administrators),
                       Allow(mask::KeyRead, sids::Users),
                       Allow(mask::KeyRead, sids::AllAppPackages)},
                      {},
                      true};
}

Descriptor SystemOnlyKey() {
    return Descriptor{sids::Administrators, sids::System,
                      {Allow(mask::KeyAllAccess, sids::System),
                       Allow(mask::ReadControlWriteDac, sids::Administrators)},
                      {},
                      true};
}

Descriptor AuditedSecretKey() {
    Descriptor d = SystemOnlyKey();
    d.sacl.push_back(Ace{ace::SystemAudit,
                         ace::ContainerInherit | ace::SuccessfulAccess | ace::FailedAccess,
                         mask::KeyAllAccess, sids::Everyone});
    return d;
}

Descriptor ServiceKey(const std::string& serviceSid) {
    Descriptor d = MachineKey();
    d.dacl.insert(d.dacl.begin(), Allow(mask::KeyAllAccess, serviceSid));
    return d;
}

Descriptor UserKey(const std::string& userSid) {
    return Descriptor{userSid, userSid,
                      {Allow(mask::KeyAllAccess, userSid),
                       Allow(mask::KeyAllAccess, sids::System),
                       Allow(mask::KeyAllAccess, sids::Administrators),
                       Allow(mask::KeyRead, sids::Restricted),
                       Allow(mask::KeyRead, sids::AllAppPackages)},
                      {},
                      false};
}

}  // namespace kelvara::sample
