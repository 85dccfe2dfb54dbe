#include "regf/default_security.h"

namespace kelvara::regf {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A SID with the NT authority (5) or the world authority (1).
std::vector<std::uint8_t> Sid(std::uint8_t authority, std::vector<std::uint32_t> subAuthorities) {
    std::vector<std::uint8_t> sid{1, static_cast<std::uint8_t>(subAuthorities.size()), 0, 0, 0, 0, 0, authority};
    for (auto sub : subAuthorities) Put32(sid, sub);
    return sid;
}

constexpr std::uint8_t ACCESS_ALLOWED_ACE_TYPE = 0;
constexpr std::uint8_t CONTAINER_INHERIT_ACE = 0x02;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint16_t SE_DACL_PRESENT = 0x0004;
constexpr std::uint16_t SE_SELF_RELATIVE = 0x8000;

void Ace(std::vector<std::uint8_t>& acl, std::uint32_t mask, const std::vector<std::uint8_t>& sid) {
    acl.push_back(ACCESS_ALLOWED_ACE_TYPE);
    acl.push_back(CONTAINER_INHERIT_ACE);
    Put16(acl, static_cast<std::uint16_t>(8 + sid.size()));
    Put32(acl, mask);
    acl.insert(acl.end(), sid.begin(), sid.end());
}

}  // namespace

std::vector<std::uint8_t> DefaultKeySecurity() {
    auto administrators = Sid(5, {32, 544});
    auto system = Sid(5, {18});
    auto everyone = Sid(1, {0});

    std::vector<std::uint8_t> aces;
    Ace(aces, KEY_ALL_ACCESS, administrators);
    Ace(aces, KEY_ALL_ACCESS, system);
    Ace(aces, KEY_READ, everyone);
    std::vector<std::uint8_t> acl{2, 0};   // revision 2
    Put16(acl, static_cast<std::uint16_t>(8 + aces.size()));
    Put16(acl, 3);
    Put16(acl, 0);
    acl.insert(acl.end(), aces.begin(), aces.end());

    const std::uint32_t header = 20;
    std::uint32_t owner = header;
    std::uint32_t group = owner + static_cast<std::uint32_t>(administrators.size());
    std::uint32_t dacl = group + static_cast<std::uint32_t>(system.size());
    std::vector<std::uint8_t> sd{1, 0};
    Put16(sd, SE_SELF_RELATIVE | SE_DACL_PRESENT);
    Put32(sd, owner);
    Put32(sd, group);
    Put32(sd, 0);   // no SACL
    Put32(sd, dacl);
    sd.insert(sd.end(), administrators.begin(), administrators.end());
    sd.insert(sd.end(), system.begin(), system.end());
    sd.insert(sd.end(), acl.begin(), acl.end());
    return sd;
}

}  // namespace kelvara::regf
