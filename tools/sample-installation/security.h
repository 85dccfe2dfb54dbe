// Self-relative security descriptors for the sample's keys, built from SIDs and ACEs the way
// Windows lays them out, so the sk cells carry realistic descriptors of varied sizes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvara::sample {

using Bytes = std::vector<std::uint8_t>;

// "S-1-5-32-544" to its binary form.
Bytes Sid(const std::string& text);

namespace ace {
constexpr std::uint8_t AccessAllowed = 0;
constexpr std::uint8_t SystemAudit = 2;
constexpr std::uint8_t ObjectInherit = 0x01;
constexpr std::uint8_t ContainerInherit = 0x02;
constexpr std::uint8_t InheritOnly = 0x08;
constexpr std::uint8_t Inherited = 0x10;
constexpr std::uint8_t SuccessfulAccess = 0x40;
constexpr std::uint8_t FailedAccess = 0x80;
}  // namespace ace

namespace mask {
constexpr std::uint32_t KeyRead = 0x00020019;
constexpr std::uint32_t KeyAllAccess = 0x000F003F;
constexpr std::uint32_t GenericAll = 0x10000000;
constexpr std::uint32_t GenericRead = 0x80000000;
constexpr std::uint32_t ReadControlWriteDac = 0x00060000;
}  // namespace mask

struct Ace {
    std::uint8_t type = ace::AccessAllowed;
    std::uint8_t flags = 0;
    std::uint32_t mask = 0;
    std::string sid;
};

struct Descriptor {
    std::string owner;
    std::string group;
    std::vector<Ace> dacl;
    std::vector<Ace> sacl;   // empty: no SACL
    bool protectedDacl = false;
};

// The self-relative form (SE_SELF_RELATIVE), SACL then DACL then owner then group.
Bytes Encode(const Descriptor& descriptor);

// The same descriptor as a child key receives it: every inheritable ACE marked inherited.
Descriptor Inherited(Descriptor descriptor);

// The well-known principals the sample uses.
namespace sids {
inline const std::string System = "S-1-5-18";
inline const std::string LocalService = "S-1-5-19";
inline const std::string NetworkService = "S-1-5-20";
inline const std::string Administrators = "S-1-5-32-544";
inline const std::string Users = "S-1-5-32-545";
inline const std::string Restricted = "S-1-5-12";
inline const std::string CreatorOwner = "S-1-3-0";
inline const std::string Everyone = "S-1-1-0";
inline const std::string AllAppPackages = "S-1-15-2-1";
inline const std::string TrustedInstaller =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
// The sample's one user account.
inline const std::string Alex = "S-1-5-21-3623811015-3361044348-30300820-1001";
}  // namespace sids

// The few descriptors that recur over the sample's hives.
Descriptor MachineKey();        // HKLM default: users read, administrators and SYSTEM full
Descriptor TrustedInstallerKey();   // owned by TrustedInstaller, everyone else reads
Descriptor SystemOnlyKey();     // SAM and SECURITY: SYSTEM alone, administrators may change the DACL
Descriptor AuditedSecretKey();  // SECURITY's secrets: SYSTEM alone, with an audit SACL
Descriptor ServiceKey(const std::string& serviceSid);   // a service that may write its key
Descriptor UserKey(const std::string& userSid);   // a profile hive: the user, SYSTEM, administrators

}  // namespace kelvara::sample
