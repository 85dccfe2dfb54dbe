// Security descriptors held to the self-relative layout Microsoft documents ([MS-DTYP] 2.4.2.2
// SID, 2.4.4.1 ACE_HEADER, 2.4.5 ACL, 2.4.6 SECURITY_DESCRIPTOR; the ACL structure's page: each
// ACL and ACE begins on a 4-byte boundary). Wine checks only the revision, so the expected
// values are the documented rules, one broken at a time in Microsoft's own example.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "hive_fixtures.h"
#include "regf/errors.h"
#include "regf/security_descriptor.h"
#include "regf/security_key.h"

namespace kelvara::regf {
namespace {

// [MS-DTYP] 2.5.1.4: the binary form of "O:BAG:BAD:P(A;CIOI;GRGX;;;BU)(A;CIOI;GA;;;BA)
// (A;CIOI;GA;;;SY)(A;CIOI;GA;;;CO)S:P(AU;FA;GR;;;WD)": SACL at 0x14, DACL at 0x30 with four
// ACEs, owner at 0x90, group at 0xA0, 176 bytes.
const std::vector<std::uint8_t> kDocumentedExample = {
    0x01, 0x00, 0x14, 0xb0, 0x90, 0x00, 0x00, 0x00, 0xa0, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00,
    0x30, 0x00, 0x00, 0x00, 0x02, 0x00, 0x1c, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x80, 0x14, 0x00,
    0x00, 0x00, 0x00, 0x80, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
    0x02, 0x00, 0x60, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x03, 0x18, 0x00, 0x00, 0x00, 0x00, 0xa0,
    0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x20, 0x00, 0x00, 0x00, 0x21, 0x02, 0x00, 0x00,
    0x00, 0x03, 0x18, 0x00, 0x00, 0x00, 0x00, 0x10, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05,
    0x20, 0x00, 0x00, 0x00, 0x20, 0x02, 0x00, 0x00, 0x00, 0x03, 0x14, 0x00, 0x00, 0x00, 0x00, 0x10,
    0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x12, 0x00, 0x00, 0x00, 0x00, 0x03, 0x14, 0x00,
    0x00, 0x00, 0x00, 0x10, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x20, 0x00, 0x00, 0x00, 0x20, 0x02, 0x00, 0x00,
    0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x20, 0x00, 0x00, 0x00, 0x20, 0x02, 0x00, 0x00,
};
constexpr std::size_t kControl = 2, kOwner = 4, kGroup = 8, kSacl = 12, kDacl = 16;
constexpr std::size_t kSaclAt = 0x14, kDaclAt = 0x30, kOwnerAt = 0x90, kGroupAt = 0xA0;
constexpr std::size_t kFirstDaclAce = kDaclAt + 8;

std::string Problem(const std::vector<std::uint8_t>& bytes) {
    return SecurityDescriptorProblem(ByteSpan(bytes.data(), bytes.size(), 0));
}

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

TEST(SecurityDescriptor, MicrosoftsExampleIsValid) { EXPECT_EQ(Problem(kDocumentedExample), ""); }

TEST(SecurityDescriptor, EachBrokenRuleIsNamed) {
    using Change = std::function<void(std::vector<std::uint8_t>&)>;
    struct Case {
        const char* rule;
        Change change;
        const char* problem;   // nullptr: still valid
    } cases[] = {
        {"shorter than the fixed part", [](auto& d) { d.resize(19); }, "at least 20 bytes"},
        {"descriptor revision 2", [](auto& d) { d[0] = 2; }, "descriptor revision 2"},
        {"absolute form", [](auto& d) { Put16(d, kControl, 0x3014); }, "SE_SELF_RELATIVE"},
        {"owner past the end", [](auto& d) { testing::Put32(d, kOwner, 0xB0); }, "owner at 0xb0: outside"},
        {"owner inside the fixed part", [](auto& d) { testing::Put32(d, kOwner, 8); }, "owner at 0x8: outside"},
        {"group SID cut by the end", [](auto& d) { d.resize(kGroupAt + 10); }, "group at 0xa0"},
        {"owner SID revision 2", [](auto& d) { d[kOwnerAt] = 2; }, "SID revision 2"},
        {"owner SID with 16 sub-authorities", [](auto& d) { d[kOwnerAt + 1] = 16; }, "16 sub-authorities, at most 15"},
        {"group SID's sub-authorities past the end", [](auto& d) { d[kGroupAt + 1] = 3; }, "run past"},
        {"DACL revision 3", [](auto& d) { d[kDaclAt] = 3; }, "ACL revision 3"},
        {"DACL revision 4 (object ACEs)", [](auto& d) { d[kDaclAt] = 4; }, nullptr},
        {"SACL size below its header", [](auto& d) { Put16(d, kSaclAt + 2, 4); }, "below its header"},
        {"DACL size past the end", [](auto& d) { Put16(d, kDaclAt + 2, 0x90); }, "runs past the descriptor's end"},
        {"DACL counts a fifth ACE", [](auto& d) { Put16(d, kDaclAt + 4, 5); }, "ACE 4 of 5"},
        {"ACE size not a multiple of 4", [](auto& d) { Put16(d, kFirstDaclAce + 2, 0x16); }, "ACE 0 has size 22"},
        {"ACE size below its header", [](auto& d) { Put16(d, kFirstDaclAce + 2, 0); }, "ACE 0 has size 0"},
        {"ACE past its ACL", [](auto& d) { Put16(d, kFirstDaclAce + 2, 0x60); }, "ACE 0 has size 96"},
        {"DACL off a 4-byte boundary", [](auto& d) { testing::Put32(d, kDacl, kDaclAt + 2); }, "4-byte boundary"},
        {"no DACL-present flag: its offset means nothing", [](auto& d) { Put16(d, kControl, 0xb010), testing::Put32(d, kDacl, 0xFFFF); }, nullptr},
        {"a NULL DACL", [](auto& d) { testing::Put32(d, kDacl, 0); }, nullptr},
        {"no owner, no group", [](auto& d) { testing::Put32(d, kOwner, 0), testing::Put32(d, kGroup, 0); }, nullptr},
        {"SACL present and broken", [](auto& d) { d[kSaclAt] = 9; }, "SACL at 0x14: ACL revision 9"},
        {"SACL not present, same bytes", [](auto& d) { d[kSaclAt] = 9, Put16(d, kControl, 0xb004); }, nullptr},
        {"ACL with unused room after its ACEs", [](auto& d) { Put16(d, kSaclAt + 2, 0x1c); Put16(d, kSaclAt + 6, 0); }, nullptr},
    };
    for (const auto& c : cases) {
        auto bytes = kDocumentedExample;
        c.change(bytes);
        const std::string problem = Problem(bytes);
        if (!c.problem) {
            EXPECT_EQ(problem, "") << c.rule;
            continue;
        }
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.rule << ": " << problem;
    }
    (void)kSacl;
}

TEST(SecurityDescriptor, ABadOneInAHiveIsDamageNamingItsCell) {
    // The hive's own descriptor replaced by a damaged one of the same size: the checker reports
    // the key security cell by its offset, and the reader refuses the key.
    auto hive = testing::Build(testing::RichTree());
    const auto sk = std::search(hive.begin() + 4096, hive.end(), std::begin("sk"), std::begin("sk") + 2);
    ASSERT_NE(sk, hive.end());
    const std::size_t cell = static_cast<std::size_t>(sk - hive.begin()) - 4;   // the size field before it
    const std::uint32_t offset = static_cast<std::uint32_t>(cell - 4096);
    auto sound = testing::Open(hive);
    EXPECT_TRUE(Check(sound).sound) << Check(sound).Text();
    hive[cell + 4 + 20] = 2;   // the descriptor's revision
    auto damaged = testing::Open(hive);
    const CheckReport report = Check(damaged);
    EXPECT_FALSE(report.sound);
    EXPECT_NE(report.Text().find("key security"), std::string::npos) << report.Text();
    EXPECT_NE(report.Text().find(Hex(offset)), std::string::npos) << report.Text();
    EXPECT_NE(report.Text().find("descriptor revision 2"), std::string::npos) << report.Text();
    EXPECT_FALSE(CompactBytes(damaged).ok());
}

}  // namespace
}  // namespace kelvara::regf
