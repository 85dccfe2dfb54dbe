// Hives that Windows XP wrote: XP's upper-case table lacks what Vista and 7 added, so its hashes
// and its order differ from 7's for such names. Final sigma is one: XP makes "ς" (U+03C2) "Σ"
// (U+03A3), 7 leaves it (ntfs-3g's unistr.c lists it among 7's changes). The checker takes such a
// hive as sound and says which table it follows; the compactor keeps what XP wrote.
#include <gtest/gtest.h>

#include "hive_fixtures.h"
#include "regf/key_node.h"
#include "regf/names.h"

namespace kelvara::regf {
namespace {

using testing::Build;
using testing::FieldAt;
using testing::Get32;
using testing::KeyCell;
using testing::Open;
using testing::Put32;

// The root's "lh" list: {key node, hash} pairs after the 4-byte header.
std::uint32_t RootList(const std::vector<std::uint8_t>& bytes) {
    return Get32(bytes, FieldAt(KeyCell(bytes, ""), offsetof(KeyNodeHeader, subkeys_list_offset)));
}
std::uint32_t NodeAt(const std::vector<std::uint8_t>& bytes, int i) { return Get32(bytes, FieldAt(RootList(bytes), 4 + 8 * i)); }
std::uint32_t HashAt(const std::vector<std::uint8_t>& bytes, int i) { return Get32(bytes, FieldAt(RootList(bytes), 4 + 8 * i + 4)); }

// By XP's table: "ςa" is Σ A, "Σb" is Σ B, so "ςa" comes first; by 7's, "ς" (0x3C2) is after
// "Σ" (0x3A3), so "Σb" does. Hashes by h = 37h + upper: XP's from the capitals above.
constexpr std::uint32_t kXpHashOfSigmaA = 0x3A3 * 37 + 'A';
constexpr std::uint32_t kXpHashOfSigmaB = 0x3A3 * 37 + 'B';

// The two keys as Windows XP writes them: XP's order and XP's hashes.
std::vector<std::uint8_t> WrittenByWindowsXP() {
    KeySpec root{"ROOT", "", 1, {}, {}, {}};
    root.subkeys.push_back({"\u03c2a", "", 2, {}, {}, {}});
    root.subkeys.push_back({"\u03a3b", "", 3, {}, {}, {}});
    auto bytes = Build(root);
    const std::uint32_t finalSigma = KeyCell(bytes, "\u03c2a"), capitalSigma = KeyCell(bytes, "\u03a3b");
    const std::uint32_t list = RootList(bytes);
    Put32(bytes, FieldAt(list, 4), finalSigma);
    Put32(bytes, FieldAt(list, 8), kXpHashOfSigmaA);
    Put32(bytes, FieldAt(list, 12), capitalSigma);
    Put32(bytes, FieldAt(list, 16), kXpHashOfSigmaB);
    return bytes;
}

TEST(UpcaseTables, WindowsXPNamesFollowItsTableWhereSevenDiffers) {
    EXPECT_EQ(UpcaseUnit(u'\u03c2'), u'\u03c2');
    EXPECT_EQ(UpcaseUnit(u'\u03c2', UpcaseTable::WindowsXP), u'\u03a3');
}

TEST(UpcaseTables, AHiveWrittenByWindowsXPIsSoundWithANote) {
    CheckReport report = Check(Open(WrittenByWindowsXP()));
    EXPECT_TRUE(report.sound) << report.Text();
    ASSERT_EQ(report.notes.size(), 1u) << report.Text();
    EXPECT_NE(report.notes[0].find("Windows XP's upper-case table"), std::string::npos) << report.Text();
}

TEST(UpcaseTables, CompactionKeepsWindowsXPsOrderAndHashes) {
    const auto original = WrittenByWindowsXP();
    auto copy = CompactBytes(Open(original)).value();
    EXPECT_EQ(NodeAt(copy, 0), KeyCell(copy, "\u03c2a"));
    EXPECT_EQ(NodeAt(copy, 1), KeyCell(copy, "\u03a3b"));
    EXPECT_EQ(HashAt(copy, 0), kXpHashOfSigmaA);
    EXPECT_EQ(HashAt(copy, 1), kXpHashOfSigmaB);
    EXPECT_TRUE(Check(Open(copy)).sound);
}

// A hash that follows no Windows table is damage, as before, and the copy gets Windows 7's.
TEST(UpcaseTables, AHashThatFollowsNoTableIsDamageAndMadeAgainInTheCopy) {
    auto bytes = WrittenByWindowsXP();
    Put32(bytes, FieldAt(RootList(bytes), 8), 0x1234);
    CheckReport report = Check(Open(bytes));
    EXPECT_FALSE(report.sound);
    ASSERT_FALSE(report.problems.empty());
    EXPECT_NE(report.problems[0].find("is 0x1234"), std::string::npos) << report.Text();

    auto copy = CompactBytes(Open(bytes)).value();
    EXPECT_EQ(HashAt(copy, 0), 0x3C2u * 37 + 'A');   // 7 leaves final sigma as it is
    EXPECT_EQ(HashAt(copy, 1), kXpHashOfSigmaB);     // sound by XP's table, and so kept
    EXPECT_TRUE(Check(Open(copy)).sound);
}

}  // namespace
}  // namespace kelvara::regf
