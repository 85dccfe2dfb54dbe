// SAM and SECURITY: small hives of account records and policy secrets, readable by SYSTEM
// alone. Their records are binary; what matters here is their shape and their protection.
#include "content.h"
#include "hives.h"
#include "key_tree.h"
#include "security.h"

namespace kelvara::sample {

namespace {

struct Account {
    std::uint32_t rid;
    const char* name;
};

const Account kAccounts[] = {
    {0x1F4, "Administrator"}, {0x1F5, "Guest"}, {0x1F7, "DefaultAccount"},
    {0x1F8, "WDAGUtilityAccount"}, {0x3E9, "Alex"}};

// The SAM names a user by a key whose default value has no data and the user's RID as its
// type: a value type far outside the usual range that must come through unchanged.
void NameEntry(KeySpec& names, const std::string& name, std::uint32_t rid) {
    Raw(Append(names, name), "", rid, {});
}

}  // namespace

KeySpec MakeSamHive(std::uint64_t seed) {
    Random random(seed);
    KeySpec root;
    root.name = "ROOT";
    root.security = Encode(SystemOnlyKey());
    KeySpec& sam = Key(root, "SAM");
    Binary(sam, "C", random.Bytes(0x3C));
    Dword(sam, "LastSkuUpgrade", 0x30);
    Binary(Key(sam, "RXACT"), "", Bytes(12, 0));

    KeySpec& account = Key(sam, "Domains\\Account");
    Binary(account, "F", random.Bytes(0x50));
    Binary(account, "V", random.Bytes(0xB8));
    KeySpec& users = Key(account, "Users");
    for (const auto& a : kAccounts) {
        KeySpec& u = Append(users, HexString(a.rid, 8));
        Binary(u, "F", random.Bytes(0x50));
        Binary(u, "V", random.Bytes(0x1F0 + 2 * std::string(a.name).size()));
        if (a.rid == 0x3E9) {
            Binary(u, "SupplementalCredentials", random.Bytes(0x2A0));
            Binary(u, "ResetData", Utf16("{\"version\":1,\"questions\":[]}"));
            Binary(u, "GivenName", Utf16("Alex"));
        }
    }
    KeySpec& names = Key(users, "Names");
    for (const auto& a : kAccounts) NameEntry(names, a.name, a.rid);
    Binary(Key(account, "Groups\\00000201"), "C", random.Bytes(0x68));
    NameEntry(Key(account, "Groups\\Names"), "None", 0x201);
    Key(account, "Aliases\\Members");
    Key(account, "Aliases\\Names");

    KeySpec& builtin = Key(sam, "Domains\\Builtin");
    Binary(builtin, "F", random.Bytes(0x50));
    Binary(builtin, "V", random.Bytes(0x74));
    struct Alias {
        std::uint32_t rid;
        const char* name;
    };
    const Alias aliases[] = {{0x220, "Administrators"}, {0x221, "Users"}, {0x222, "Guests"},
                             {0x223, "Power Users"}, {0x227, "Backup Operators"},
                             {0x228, "Replicator"}, {0x22B, "Remote Desktop Users"},
                             {0x22C, "Network Configuration Operators"},
                             {0x22F, "Performance Monitor Users"}, {0x232, "Event Log Readers"},
                             {0x23D, "Device Owners"}, {0x240, "Hyper-V Administrators"}};
    for (const auto& a : aliases) Binary(Key(builtin, "Aliases\\" + HexString(a.rid, 8)), "C", random.Bytes(0xA0));
    for (const auto& a : aliases) NameEntry(Key(builtin, "Aliases\\Names"), a.name, a.rid);
    KeySpec& members = Key(builtin, "Aliases\\Members\\S-1-5-21-3623811015-3361044348-30300820");
    for (const auto& a : kAccounts) Raw(Append(members, HexString(a.rid, 8)), "", 1, {0x20, 0x02, 0, 0});
    StampTimes(root, random, FileTime(1678752000), FileTime(1732924800));
    return root;
}

KeySpec MakeSecurityHive(std::uint64_t seed) {
    Random random(seed);
    KeySpec root;
    root.name = "ROOT";
    root.security = Encode(SystemOnlyKey());
    Binary(Key(root, "RXACT"), "", Bytes(12, 0));
    KeySpec& policy = Key(root, "Policy");
    for (const char* part : {"PolAdtEv", "PolEKList", "PolPrDmN", "PolPrDmS", "PolAcDmN",
                             "PolAcDmS", "PolRevision", "PolDnDDN", "PolDnTrN", "SecDesc"}) {
        Raw(Key(policy, part), "", 0, random.Bytes(random.Between(8, 200)));
    }
    KeySpec& secrets = Key(policy, "Secrets");
    secrets.security = Encode(AuditedSecretKey());
    for (const char* secret : {"DPAPI_SYSTEM", "NL$KM", "$MACHINE.ACC", "DefaultPassword"}) {
        KeySpec& s = Append(secrets, secret);
        for (const char* part : {"CurrVal", "OldVal", "CupdTime", "OupdTime", "SecDesc"}) {
            Raw(Append(s, part), "", 0, random.Bytes(random.Between(16, 180)));
        }
    }
    KeySpec& accounts = Key(policy, "Accounts");
    for (const char* sid : {"S-1-1-0", "S-1-5-19", "S-1-5-20", "S-1-5-32-544", "S-1-5-32-545",
                            "S-1-5-32-551", "S-1-5-6", "S-1-5-90-0"}) {
        KeySpec& a = Append(accounts, sid);
        Raw(Append(a, "ActSysAc"), "", 0, {0x10, 0, 0, 0});
        Raw(Append(a, "Privilgs"), "", 0, random.Bytes(random.Between(20, 120)));
        Raw(Append(a, "SecDesc"), "", 0, Encode(MachineKey()));
        Raw(Append(a, "Sid"), "", 0, Sid(sid));
    }
    KeySpec& cache = Key(root, "Cache");
    for (int i = 1; i <= 10; ++i) Binary(cache, "NL$" + std::to_string(i), random.Bytes(0x60 + (i == 1 ? 0x200 : 0)));
    Binary(cache, "NL$Control", random.Bytes(8));
    StampTimes(root, random, FileTime(1678752000), FileTime(1732924800));
    return root;
}

}  // namespace kelvara::sample
